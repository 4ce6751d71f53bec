// mix: which inputs of a source feed which output at what trim, and one cell of it changed
// through the routing service the mixer window uses.
#include "core/box_limits.h"
#include "core/source_catalogue.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_names.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

// --- the words --------------------------------------------------------------------------------

std::optional<MixRequest> ParseMix(Words& words) {
  MixRequest request;
  if (words.AtEnd()) return request;
  request.source = words.Source();
  if (!request.source) return std::nullopt;
  if (words.AtEnd()) return request;
  const auto action = words.Next("what to do with the mix (set)");
  if (*action != "set") return words.Fail("unknown mix action " + Quoted(*action) + " (set)");
  const int inputs = InputsOfSource(*request.source);
  if (inputs == 0)
    return words.Fail("source " + std::string(SourceName(*request.source)) + " has no inputs to mix");
  const auto input = words.Int("input", 1, inputs);
  const auto output = words.Output();
  const auto value = words.Next("on, off or a trim from 0 to " + std::to_string(kFullMixLevel));
  if (!input || !output || !value) return std::nullopt;
  MixCell cell{*input, *output, *value == "on", std::nullopt};
  if (*value != "on" && *value != "off") {
    const auto trim = WholeNumber(*value);
    if (!trim || *trim < 0 || *trim > kFullMixLevel)
      return words.Fail("mix cell must be on, off or a trim from 0 to " + std::to_string(kFullMixLevel) + ", not " +
                        Quoted(*value));
    cell.trim = trim;
  }
  request.set = cell;
  words.ExpectEnd("mix " + std::string(SourceName(*request.source)) + " set");
  if (words.Failed()) return std::nullopt;
  return request;
}

void ParseMixInto(Words& words, Invocation& invocation) {
  if (auto request = ParseMix(words)) invocation.mix = *request;
}

std::string MixHelp() {
  return "Usage: quorelbox-cli [OPTIONS] mix [SOURCE]\n"
         "       quorelbox-cli [OPTIONS] mix SOURCE set INPUT OUTPUT on|off|TRIM\n"
         "\n"
         "  mix [SOURCE]          for every input of SOURCE (default: the current source)\n"
         "                        and every output: whether the input feeds the output, and\n"
         "                        its trim (0..100); as the mixer window shows them\n"
         "  mix SOURCE set INPUT OUTPUT on|off|TRIM\n"
         "                        one cell, as the mixer window changes it: on routes the\n"
         "                        input to the output (a trim of 0 becomes 100), off stops\n"
         "                        it and sets its trim to 0, a TRIM from 1 to 100 sets the\n"
         "                        trim and routes the input, 0 stops it\n"
         "\n"
         "SOURCE is one of " + AllSourceNames(17) + ".\n"
         "Inputs count from 1: the digital sources and Bluetooth have 2, hi 6; aux, low,\n"
         "udp and scp have none to mix. Outputs are 1..8. With --json one object.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- the record -------------------------------------------------------------------------------

/// Whether input `input` (1..6) of `source` feeds `output`, and the trim kept for it.
struct MixCellState {
  bool on = false;
  int trim = 0;
};
MixCellState CellOf(const Profile& live, int source, int input, int output) {
  if (!IsSource(source)) return {};
  return {(live.inputs[At(source)][At(output)] >> (input - 1) & 1) != 0,
          live.inputMixVolume[At(source)][At(input - 1)][At(output)]};
}

void AddCell(Record& record, const Profile& live, int source, int input, int output) {
  const MixCellState state = CellOf(live, source, input, output);
  record.Add("on", OnOff(state.on)).Label("");
  record.Add("trim", state.trim);
}

/// The text's view of a mix: a row per input, a column per output, as the mixer shows it.
Value TrimTable(const Profile& live, int source) {
  List rows;
  for (int in = 1; in <= InputsOfSource(source); ++in) {
    Record row;
    row.Add("input", "input " + std::to_string(in)).Label("in / out");
    for (int o = 0; o < kOutputCount; ++o) {
      const MixCellState state = CellOf(live, source, in, o);
      row.Add("out" + std::to_string(o + 1), state.on ? Value(state.trim) : Value().Spelled("-"))
          .Label("out " + std::to_string(o + 1));
    }
    rows.Add(std::move(row));
  }
  return rows;
}

Value MixRecord(const Profile& live, int source, const std::optional<MixCell>& cell) {
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("source", SourceName(source));
  if (cell) {
    record.Add("input", cell->input);
    record.Add("output", cell->output + 1);
    AddCell(record, live, source, cell->input, cell->output);
    record.Add("inputMask", static_cast<double>(live.inputs[At(source)][At(cell->output)]));
    return record;
  }
  const int inputs = InputsOfSource(source);
  record.Add("current", source == live.inputSource);
  record.Add("inputCount", inputs).Label("inputs");
  List outputs;
  for (int o = 0; o < kOutputCount; ++o) {
    Record output;
    output.Add("output", o + 1);
    output.Add("inputMask", static_cast<double>(live.inputs[At(source)][At(o)]));
    List cells;
    for (int in = 1; in <= inputs; ++in) {
      Record input;
      input.Add("input", in);
      AddCell(input, live, source, in, o);
      cells.Add(std::move(input));
    }
    output.Add("inputs", std::move(cells));
    outputs.Add(std::move(output));
  }
  record.Add("outputs", std::move(outputs)).JsonOnly();
  if (inputs > 0)
    record.Add("trims", TrimTable(live, source)).Label("trims (- where the input does not feed the output)").TextOnly();
  return record;
}

// --- the run ----------------------------------------------------------------------------------

Outcome Mix(BoxRun& box, const Invocation& invocation) {
  const MixRequest& request = invocation.mix;
  const int source = request.source.value_or(box.Mirror().currentProfile.inputSource);
  if (request.set) {
    const MixCell& cell = *request.set;
    if (cell.trim) box.Core().Routing().SetMixTrim(source, cell.input, cell.output, *cell.trim);
    else box.Core().Routing().SetMixInput(source, cell.input, cell.output, cell.on);
    if (std::string problem = box.Drain(); !problem.empty()) return Outcome::Failed(kExitBoxRefused, problem);
  }
  return Outcome::Done(MixRecord(box.Mirror().currentProfile, source, request.set));
}

}  // namespace

constinit const CommandFamily kMixCommand{Command::Mix, "mix", ParseMixInto, MixHelp, Mix};

}  // namespace qb::cli
