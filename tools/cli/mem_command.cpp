// mem: one 32-bit word of the DSP's memory read or written through the core's memory
// service, as the memory window does.
#include <cstdio>

#include "core/number_text.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

// --- the words --------------------------------------------------------------------------------

/// A memory address or word as C writes numbers. The whole word must be the number: a
/// script's typo ("0x1g", "08") is refused, never read as the digits before it.
std::optional<std::uint32_t> MemoryNumber(Words& words, std::string_view what) {
  const auto word = words.Next(what);
  if (!word) return std::nullopt;
  if (word->empty() || NumberTextLength(*word) != word->size())
    return words.Fail(std::string(what) + " must be a number (31, 0x1f or 037), not " + Quoted(*word));
  const auto value = ParseNumberText(*word);
  if (!value)
    return words.Fail(std::string(what) + " " + Quoted(*word) + " does not fit in 32 bits (at most 0xffffffff)");
  return value;
}

std::optional<MemRequest> ParseMem(Words& words) {
  const auto write = words.Choice("mem action", "write", "read");
  if (!write) return std::nullopt;
  MemRequest request{*write, 0, 0};
  const auto address = MemoryNumber(words, "ADDR");
  const auto data = *write ? MemoryNumber(words, "DATA") : std::optional<std::uint32_t>(0);
  if (!address || !data) return std::nullopt;
  request.address = *address;
  request.data = *data;
  words.ExpectEnd(*write ? "mem write ADDR DATA" : "mem read ADDR");
  if (words.Failed()) return std::nullopt;
  return request;
}

void ParseMemInto(Words& words, Invocation& invocation) {
  if (auto request = ParseMem(words)) invocation.mem = *request;
}

std::string MemHelp() {
  return "Usage: quorelbox-cli [OPTIONS] mem read ADDR\n"
         "       quorelbox-cli [OPTIONS] mem write ADDR DATA\n"
         "\n"
         "  mem read ADDR         prints the 32-bit word at ADDR of the DSP's memory\n"
         "  mem write ADDR DATA   writes the 32-bit word DATA to ADDR\n"
         "\n"
         "A service tool for people who know the DSP's memory map: a write goes straight\n"
         "into the running DSP, past every rule the other commands keep. ADDR and DATA\n"
         "are written as in C: 0x1f hexadecimal, 037 octal, 31 decimal. A word that is not\n"
         "wholly a number, or a number above 0xffffffff, is a bad argument (exit 2) and\n"
         "nothing is sent. Words are printed as 0x and eight hexadecimal digits; with\n"
         "--json, \"address\" and \"data\" are plain numbers. A read the box does not\n"
         "answer is exit 4.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- the run ----------------------------------------------------------------------------------

Value MemRecord(const MemRequest& request, std::uint32_t data) {
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("action", request.write ? "write" : "read").JsonOnly();
  record.Add("address", Word(request.address));
  record.Add("data", Word(data));
  return record;
}

Outcome Mem(BoxRun& box, const Invocation& invocation) {
  const MemRequest& request = invocation.mem;
  MemoryService& memory = box.Core().Memory();
  if (request.write) {
    if (!memory.Write(request.address, request.data))
      return Outcome::Failed(kExitBoxRefused, "the box takes no commands now: the memory write was not sent");
    if (std::string problem = box.Drain(); !problem.empty()) return Outcome::Failed(kExitBoxRefused, problem);
    return Outcome::Done(MemRecord(request, request.data));
  }
  // The word comes as a posted message; one for another address is not the answer.
  std::optional<MemoryWord> word;
  const BoxRun::Listening listening(box, [&word](const ReplyMessage& message) {
    if (auto reported = MemoryWordOf(message)) {
      word = reported;
      return true;
    }
    return false;
  });
  const auto answered = [&word, &request] { return word && word->address == request.address; };
  if (!memory.Read(request.address) || !box.PumpUntil(answered, kAnswerGrace)) {
    char address[16];
    std::snprintf(address, sizeof address, "0x%08x", request.address);
    return Outcome::Failed(kExitBoxRefused, std::string("the box did not answer the read of address ") + address);
  }
  return Outcome::Done(MemRecord(request, word->data));
}

}  // namespace

constinit const CommandFamily kMemCommand{Command::Mem, "mem", ParseMemInto, MemHelp, Mem};

}  // namespace qb::cli
