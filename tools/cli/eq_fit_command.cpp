// eq fit: an output's equaliser fitted to a measurement taken through it, within the box's
// limits, by the core's fit; shown, and sent only with --apply through the equaliser service
// the window applies a fit with.
#include "core/eq_editor.h"
#include "core/eq_fit.h"
#include "core/fit_target.h"
#include "core/measurement_text.h"
#include "tools/cli/box_records.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

constexpr std::string_view kUsage = "eq fit OUTPUT MEASUREMENT";

/// The target an argument names, read from its file unless it is a built-in one; the
/// reason when it cannot be read.
std::optional<FitTarget> TargetNamed(const std::string& name, std::string& problem) {
  if (std::optional<FitTarget> builtIn = BuiltInFitTarget(name)) return builtIn;
  MeasurementRead read = ReadHouseCurveFile(name);
  if (read.error) {
    problem = "the house curve " + name + " cannot be used: " + MeasurementErrorText(*read.error);
    return std::nullopt;
  }
  return FitTarget{FitTargetKind::HouseCurve, std::move(read.response)};
}

Value FitRecord(const EqFitResult& fit, bool applied) {
  Record record;
  record.Add("output", fit.output + 1);
  record.Add("mode", fit.mode == EqFitMode::Graphic ? "geq" : "peq");
  List bands;
  for (std::size_t b = 0; b < fit.bands.size(); ++b) {
    const EqBand& band = fit.bands[b];
    Record row;
    row.Add("band", static_cast<int>(b) + 1);
    row.Add("freq", Measure(band.freq, 0, "Hz")).Label("frequency");
    row.Add("q", Measure(Rounded(band.eqFactor, 1), 1)).Label("Q");
    row.Add("gain", Measure(Rounded(band.eqGain, 1), 1, "dB"));
    bands.Add(std::move(row));
  }
  record.Add("bands", std::move(bands));
  record.Add("residualDb", Measure(Rounded(fit.residualDb, 2), 2, "dB")).Label("residual");
  record.Add("levelDb", Measure(Rounded(fit.levelDb, 1), 1, "dB (not applied)")).Label("level");
  record.Add("residualBefore", Measure(Rounded(fit.residualBeforeDb, 2), 2, "dB")).Label("residual now").TextOnly();
  record.Add("range", Value(Measure(fit.range.lowHz, 0).Spelling() + ".." + Measure(fit.range.highHz, 0).Spelling() +
                            " Hz"))
      .Label("fit range")
      .TextOnly();
  record.Add("applied", applied).TextOnly();
  return record;
}

}  // namespace

void ParseEqFit(Words& words, EqRequest& request) {
  request.fitting = true;
  const auto output = words.Output();
  const auto measurement = words.Next("MEASUREMENT");
  if (!output || !measurement) return;
  request.output = *output;
  request.path = std::string(*measurement);
  EqFitArgs& fit = request.fit;
  while (!words.Failed() && !words.AtEnd()) {
    const std::string_view option = *words.Next("option");
    if (option == "--target") {
      if (const auto target = words.Next("--target's FILE, flat, a or b")) fit.target = std::string(*target);
    } else if (option == "--bands") {
      fit.bands = words.Int("--bands", 1, kMaxEqBands);
    } else if (option == "--geq") {
      fit.graphic = true;
    } else if (option == "--max-boost") {
      if (const auto boost = words.Real("--max-boost", 0.0, kBandGainLimits.maximum)) fit.maxBoostDb = *boost;
    } else {
      words.Fail("unexpected " + Quoted(option) + " after " + std::string(kUsage));
    }
  }
  if (fit.graphic && fit.bands) words.Fail("--bands is for parametric fits; --geq fits every band of the output");
}

std::string EqFitHelp() {
  return "  eq fit OUTPUT MEASUREMENT  OUTPUT's equaliser fitted to MEASUREMENT, a response\n"
         "                          measured through OUTPUT as it is now: bands within the\n"
         "                          box's steps (whole Hz, Q and gain in tenths), none boosting\n"
         "                          more than the limit, none below the high-pass or above the\n"
         "                          low-pass corner. The level offset is reported, not applied.\n"
         "    --target T            flat (default), a or b (the calibration's voicings), or a\n"
         "                          house curve file (\"frequency dB\" lines; of a result file\n"
         "                          with a target column, that column)\n"
         "    --bands N             parametric bands to place, 1..the output's (default all)\n"
         "    --geq                 the graphic equaliser's fixed bands instead, gains only\n"
         "    --max-boost DB        no band gains more (0..12, default 6)\n"
         "    --apply               send the bands (as eq import does: the other bands flat,\n"
         "                          a linked partner or synchronized group following); without\n"
         "                          it nothing is sent\n"
         "\n"
         "MEASUREMENT is a measurement program's text export (\"*\" comment lines, then\n"
         "frequency, SPL and phase), an .frd file, or a CSV file with a header (the column\n"
         "named response or raw, else the second). With --json the fit is\n"
         "{\"output\":1,\"mode\":\"peq\",\"bands\":[{\"band\":1,\"freq\":63,\"q\":2.5,\"gain\":-3.1},...],\n"
         "\"residualDb\":0.42,\"levelDb\":-1.3}: residualDb is the standard deviation of\n"
         "measured + new equaliser - current equaliser - target over the fit range, levelDb the\n"
         "level to add to meet the target.\n";
}

Outcome RunEqFit(BoxRun& box, const EqRequest& request) {
  const int output = request.output.value_or(0);
  const EqFitArgs& args = request.fit;
  MeasurementRead measured = ReadMeasurementFile(request.path);
  if (measured.error)
    return Outcome::Failed(kExitFailure, "the measurement " + request.path +
                                             " cannot be used: " + MeasurementErrorText(*measured.error));
  std::string problem;
  const std::optional<FitTarget> target = TargetNamed(args.target, problem);
  if (!target) return Outcome::Failed(kExitFailure, problem);
  const Profile& live = box.Mirror().currentProfile;
  const int slots = EqSize(live, output);
  if (args.bands && *args.bands > slots)
    return Outcome::Failed(kExitBadArgument, "output " + std::to_string(output + 1) + " has " + std::to_string(slots) +
                                                 " bands: --bands takes 1.." + std::to_string(slots));
  EqFitRequest fitRequest;
  fitRequest.mode = args.graphic ? EqFitMode::Graphic : EqFitMode::Parametric;
  fitRequest.bands = args.bands.value_or(0);
  fitRequest.maxBoostDb = args.maxBoostDb;
  EqFitOutcome outcome = FitEqualizer(live, output, measured.response, *target, fitRequest);
  if (!outcome.fit) return Outcome::Failed(kExitFailure, "no fit: " + outcome.error);
  const EqFitResult& fit = *outcome.fit;
  if (args.apply) {
    box.Core().Eq().ImportBands(output, fit.bands, std::nullopt,
                                fit.mode == EqFitMode::Graphic ? ImportEditing::KeepMode : ImportEditing::Parametric);
    if (std::string left = box.Drain(); !left.empty()) return Outcome::Failed(kExitBoxRefused, left);
  }
  return Outcome::Done(FitRecord(fit, args.apply));
}

}  // namespace qb::cli
