// eq: a filter text into one output's bands through the equaliser service the window's
// import uses, or the bands out as a filter text; `eq fit` (eq_fit_command.cpp) fits them to
// a measurement.
#include "core/eq_import.h"
#include "core/text_file.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_names.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

// --- the words --------------------------------------------------------------------------------

/// The options of eq fit.
constexpr CommandOption kEqFitOptions[] = {{"--target", "FILE, flat, a or b"}, {"--bands", "N"}, {"--geq", ""},
                                           {"--max-boost", "DB"}};

std::optional<EqRequest> ParseEq(Words& words) {
  if (words.Peek() == std::optional<std::string_view>("fit")) {
    words.Next("eq action");
    EqRequest request;
    ParseEqFit(words, request);
    if (words.Failed()) return std::nullopt;
    return request;
  }
  const auto importing = words.Choice("eq action", "import", "export");
  if (!importing) return std::nullopt;
  EqRequest request;
  request.importing = *importing;
  if (!*importing && words.Peek() == std::optional<std::string_view>("all")) {
    words.Next("output");
  } else {
    const auto output = words.Output();
    if (!output) return std::nullopt;
    request.output = *output;
  }
  if (*importing || !words.AtEnd()) {
    const auto path = words.Next("FILE");
    if (!path) return std::nullopt;
    request.path = std::string(*path);
  }
  words.ExpectEnd(*importing ? "eq import OUTPUT FILE" : "eq export OUTPUT [FILE]");
  if (words.Failed()) return std::nullopt;
  return request;
}

void ParseEqInto(Words& words, Invocation& invocation) {
  if (auto request = ParseEq(words)) invocation.eq = std::move(*request);
}

std::string EqHelp() {
  return "Usage: quorelbox-cli [OPTIONS] eq import OUTPUT FILE [--partial]\n"
         "       quorelbox-cli [OPTIONS] eq export OUTPUT|all [FILE]\n"
         "       quorelbox-cli [OPTIONS] eq fit OUTPUT MEASUREMENT [--target FILE|flat|a|b]\n"
         "                     [--bands N] [--geq] [--max-boost DB] [--apply]\n"
         "\n"
         "  eq import OUTPUT FILE   FILE's peaking filters become OUTPUT's first bands, in\n"
         "                          order (the other bands go flat, editing turns\n"
         "                          parametric); a linked partner or a synchronized group\n"
         "                          follows, as in the window\n"
         "  eq export OUTPUT [FILE] the bands in use as filter lines, with a header naming\n"
         "                          the output and its role; 'all' writes every output;\n"
         "                          without FILE the text goes to standard output\n"
         "\n"
         "FILE is a filter text as room-measurement tools export it and system equalisers\n"
         "read it: \"Filter 1: ON PK Fc 63.0 Hz Gain -5.0 dB Q 4.00\". Other lines are\n"
         "ignored, OFF filters and type None skipped, a decimal comma accepted. A filter\n"
         "of another type, a value outside the box's ranges (20..20000 Hz, Q 0.5..9,\n"
         "-18..12 dB) or more filters than the output's bands is reported by line, and\n"
         "nothing is changed (exit 1) unless --partial takes the rest. With --json the\n"
         "import reports the bands set and the lines skipped; an export to standard\n"
         "output puts the text in \"text\".\n"
         "\n" +
         EqFitHelp() +
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- the run ----------------------------------------------------------------------------------

/// The bands as a filter text, to the file or, in text, as the output itself.
Outcome Export(BoxRun& box, const EqRequest& request) {
  std::vector<int> outputs;
  for (int o = 0; o < kOutputCount; ++o)
    if (!request.output || *request.output == o) outputs.push_back(o);
  const std::string text =
      EqExportText(box.Mirror().currentProfile, outputs, [](int role) { return std::string(RoleName(role)); });
  if (!request.path.empty() && !SaveTextFile(request.path, text))
    return Outcome::Failed(kExitFailure, "cannot write " + request.path + "; an older file was left as it was");
  Record record;
  record.Add("ok", true).JsonOnly();
  const bool toFile = !request.path.empty();
  // To standard output the text is all there is, so that it can be piped into a file.
  const Shown shown = toFile ? Shown::Both : Shown::JsonOnly;
  record.Add("action", "export").shown = shown;
  record.Add("output", request.output ? Value(*request.output + 1) : Value("all")).shown = shown;
  if (toFile) record.Add("file", request.path);
  else record.Add("text", Value::Block(text));
  return Outcome::Done(std::move(record));
}

/// Either the whole file is usable, or --partial says to take what is: a script never
/// half-applies a file by surprise.
Outcome Import(BoxRun& box, const EqRequest& request, bool partial) {
  const int output = request.output.value_or(0);
  EqImportPlan plan;
  switch (PlanEqImportFile(request.path, box.Mirror().currentProfile, output, plan)) {
    case FilterFileResult::Ok: break;
    case FilterFileResult::OpenError: return Outcome::Failed(kExitFailure, "cannot open " + request.path);
    case FilterFileResult::TooLarge:
      return Outcome::Failed(kExitFailure, request.path + " is too large for a filter text; nothing was changed");
  }
  const std::vector<std::string> problems = ProblemLines(plan.problems);
  std::string listed;
  for (const std::string& line : problems) listed += (listed.empty() ? "" : "; ") + line;
  if (plan.bands.empty())
    return Outcome::Failed(kExitFailure,
                           request.path + " holds no filter a band can take" + (listed.empty() ? "" : ": " + listed));
  if (!problems.empty() && !partial)
    return Outcome::Failed(kExitFailure, "nothing was changed: some filters of " + request.path + " cannot be used (" +
                                             listed + "); --partial imports the others");
  box.Core().Eq().ImportBands(output, plan.bands, plan.bypassed);
  if (std::string problem = box.Drain(); !problem.empty()) return Outcome::Failed(kExitBoxRefused, problem);
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("action", "import");
  record.Add("output", output + 1);
  record.Add("file", request.path);
  record.Add("bands", static_cast<double>(plan.bands.size()));
  List skipped;
  for (const std::string& line : problems) skipped.Add(line);
  record.Add("skipped", std::move(skipped));
  return Outcome::Done(std::move(record));
}

Outcome Eq(BoxRun& box, const Invocation& invocation) {
  if (invocation.eq.fitting) return RunEqFit(box, invocation.eq);
  return invocation.eq.importing ? Import(box, invocation.eq, invocation.partial) : Export(box, invocation.eq);
}

}  // namespace

constinit const CommandFamily kEqCommand{Command::Eq, "eq", ParseEqInto, EqHelp, Eq, false, kEqFitOptions, "eq fit"};

}  // namespace qb::cli
