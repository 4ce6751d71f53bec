// status and get: the mirror of the box as the read-out left it.
#include "tools/cli/box_records.h"
#include "tools/cli/box_run.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

std::string StatusHelp() {
  return "Usage: quorelbox-cli [OPTIONS] status\n"
         "\n"
         "Connects, reads the box and prints: the connection state, model, firmware version\n"
         "(and DSP flash version), input source, main volume (position 0..40) and mute, the\n"
         "amplifier switch, link and lock, and per output its role, volume (dB), mute,\n"
         "phase and delay (ms). With --json one object with the same fields.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

std::string GetHelp() {
  return "Usage: quorelbox-cli [OPTIONS] get\n"
         "\n"
         "Prints every live setting the program keeps for the box: everything 'status'\n"
         "shows, plus per output the bands in use (eqSize), the equaliser bypass, every band\n"
         "in use (frequency Hz, Q, gain dB, enabled), the crossover (high-pass and low-pass:\n"
         "frequency, type, slope) and the linked partner; per source the routing masks (bit\n"
         "K-1 set: input K feeds the output) and mix levels (0..100) of inputs 1..6; the\n"
         "stored scene names (UTF-8) and the scene-valid mask. With --json one object.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

Outcome Status(BoxRun& box, const Invocation&) { return Outcome::Done(StateRecord(box.Mirror(), false)); }
Outcome Get(BoxRun& box, const Invocation&) { return Outcome::Done(StateRecord(box.Mirror(), true)); }

}  // namespace

constinit const CommandFamily kStatusCommand{Command::Status, "status", NoArguments, StatusHelp, Status};
constinit const CommandFamily kGetCommand{Command::Get, "get", NoArguments, GetHelp, Get};

}  // namespace qb::cli
