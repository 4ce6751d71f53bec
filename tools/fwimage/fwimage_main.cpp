// fwimage: builds single and merged firmware image files for a model from given data, and
// checks a file the way an upgrade would before sending it.
//
//   fwimage single --kind mcu|bootloader|dsp --model N [--head HEX8] [--tail HEX8]
//                  (--data FILE | --size N) [-o OUT]
//   fwimage merged --model N (--mcu-data FILE | --mcu-size N) (--dsp-data FILE | --dsp-size N)
//                  [--mcu-head HEX8] [--dsp-head HEX8] [--mark HEX2,HEX2] [-o OUT]
//   fwimage check --as mcu|bootloader|dsp|merged --model N [--log FILE] FILE
//
// Without -o the file gets the name an upgrade recognises: MCU_UPG.BIN, BL_UPG.BIN,
// FLASH_UPG.BIN or UPG_FW.BIN. --size N fills the data with a fixed pattern of N bytes.
// A head given as "sum" is the big-endian sum of the data, the head the virtual box expects.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devicelink/firmware_image.h"
#include "devicelink/firmware_image_builder.h"
#include "shell/log.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Options = std::map<std::string, std::string>;

int Usage() {
  std::fputs(
      "usage:\n"
      "  fwimage single --kind mcu|bootloader|dsp --model N [--head HEX8|sum] [--tail HEX8]\n"
      "                 (--data FILE | --size N) [-o OUT]\n"
      "  fwimage merged --model N (--mcu-data FILE | --mcu-size N)\n"
      "                 (--dsp-data FILE | --dsp-size N) [--mcu-head HEX8|sum] [--dsp-head HEX8|sum]\n"
      "                 [--mark HEX2,HEX2] [-o OUT]\n"
      "  fwimage check --as mcu|bootloader|dsp|merged --model N [--log FILE] FILE\n",
      stderr);
  return 2;
}

/// Splits "--name value" pairs; a lone trailing word is kept under "" (the file to check).
std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.rfind("-", 0) != 0) {
      if (options.count("") != 0) return std::nullopt;
      options[""] = word;
      continue;
    }
    if (i + 1 >= argc) return std::nullopt;
    options[word] = argv[++i];
  }
  return options;
}

std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long max) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0' || value > max) return std::nullopt;
  return value;
}

std::optional<qb::ImageHead> ParseHead(const std::string& text) {
  if (text.size() != 8) return std::nullopt;
  qb::ImageHead head{};
  for (std::size_t i = 0; i < head.size(); ++i) {
    const auto byte = ParseNumber("0x" + text.substr(2 * i, 2), 0xFF);
    if (!byte) return std::nullopt;
    head[i] = static_cast<std::uint8_t>(*byte);
  }
  return head;
}

std::optional<Bytes> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

/// Image data from "--<prefix>data FILE" or a pattern of "--<prefix>size N" bytes.
std::optional<Bytes> DataOption(const Options& options, const std::string& prefix) {
  const auto file = options.find("--" + prefix + "data");
  const auto size = options.find("--" + prefix + "size");
  if ((file == options.end()) == (size == options.end())) return std::nullopt;
  if (file != options.end()) return ReadFile(file->second);
  const auto n = ParseNumber(size->second, qb::kMaxMergedFileBytes);
  if (!n) return std::nullopt;
  Bytes data(*n);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return data;
}

/// A head given as HEX8, or "sum": the big-endian sum of the data bytes, which is the head
/// the virtual box checks a received image against.
std::optional<qb::ImageHead> HeadOption(const Options& options, const std::string& name,
                                        const std::optional<Bytes>& data) {
  const auto it = options.find(name);
  if (it == options.end()) return qb::ImageHead{};
  if (it->second == "sum" && data) {
    const std::uint32_t sum = qb::ImageByteSum(*data);
    return qb::ImageHead{static_cast<std::uint8_t>(sum >> 24), static_cast<std::uint8_t>(sum >> 16),
                         static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum)};
  }
  return ParseHead(it->second);
}

std::optional<std::uint8_t> ModelOption(const Options& options) {
  const auto it = options.find("--model");
  if (it == options.end()) return std::nullopt;
  const auto model = ParseNumber(it->second, 0xFF);
  if (!model) return std::nullopt;
  return static_cast<std::uint8_t>(*model);
}

int Emit(const Options& options, const char* defaultName, const std::optional<Bytes>& file) {
  if (!file) {
    std::fputs("fwimage: the data is too large for an image\n", stderr);
    return 1;
  }
  const auto out = options.find("-o");
  const std::string path = out == options.end() ? defaultName : out->second;
  if (!WriteFile(path, *file)) {
    std::fprintf(stderr, "fwimage: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("%s: %zu bytes\n", path.c_str(), file->size());
  return 0;
}

int Single(const Options& options) {
  const auto kind = options.find("--kind");
  const auto model = ModelOption(options);
  const auto data = DataOption(options, "");
  const auto head = HeadOption(options, "--head", data);
  const auto tail = HeadOption(options, "--tail", std::nullopt);
  if (kind == options.end() || !model || !data || !head || !tail) return Usage();
  const char* name = nullptr;
  std::uint8_t fwId = qb::kFwIdMcu;
  if (kind->second == "mcu") {
    name = "MCU_UPG.BIN";
  } else if (kind->second == "bootloader") {
    name = "BL_UPG.BIN";
  } else if (kind->second == "dsp") {
    name = "FLASH_UPG.BIN";
    fwId = qb::kFwIdDsp;
  } else {
    return Usage();
  }
  return Emit(options, name, qb::BuildSingleImage({fwId, *model, *head, *data, *tail}));
}

int Merged(const Options& options) {
  const auto model = ModelOption(options);
  const auto mcuData = DataOption(options, "mcu-");
  const auto dspData = DataOption(options, "dsp-");
  const auto mcuHead = HeadOption(options, "--mcu-head", mcuData);
  const auto dspHead = HeadOption(options, "--dsp-head", dspData);
  if (!model || !mcuData || !dspData || !mcuHead || !dspHead) return Usage();
  std::uint8_t mark0 = 0x00;
  std::uint8_t mark1 = qb::kMergedFileMark;
  if (const auto mark = options.find("--mark"); mark != options.end()) {
    const std::string& m = mark->second;
    const auto b0 = ParseNumber("0x" + m.substr(0, 2), 0xFF);
    const auto b1 =
        m.size() == 5 && m[2] == ',' ? ParseNumber("0x" + m.substr(3), 0xFF) : std::nullopt;
    if (!b0 || !b1) return Usage();
    mark0 = static_cast<std::uint8_t>(*b0);
    mark1 = static_cast<std::uint8_t>(*b1);
  }
  const auto mcu = qb::BuildSingleImage({qb::kFwIdMcu, *model, *mcuHead, *mcuData, {}});
  const auto dsp = qb::BuildSingleImage({qb::kFwIdDsp, *model, *dspHead, *dspData, {}});
  if (!mcu || !dsp) return Emit(options, "", std::nullopt);
  const std::vector<Bytes> images{*mcu, *dsp};
  return Emit(options, "UPG_FW.BIN", qb::BuildMergedFile(images, mark0, mark1));
}

int Check(const Options& options) {
  const auto as = options.find("--as");
  const auto model = ModelOption(options);
  const auto file = options.find("");
  if (as == options.end() || !model || file == options.end()) return Usage();
  if (const auto log = options.find("--log"); log != options.end()) {
    qb::InitConsoleWindow(log->second.c_str());
  }
  qb::ImageCheckEnv env;
  env.linkOpen = true;
  env.pcModelId = *model;
  qb::FirmwareImages images;
  int result = 0;
  if (as->second == "mcu") {
    result = qb::MCUUpgParsingFile(file->second, env, images);
  } else if (as->second == "bootloader") {
    result = qb::MCUUpgBLParsingFile(file->second, env, images);
  } else if (as->second == "dsp") {
    result = qb::FlashUpgParsingFile(file->second, env, images);
  } else if (as->second == "merged") {
    result = qb::ParsingUpgFWFile(file->second, env, images);
  } else {
    return Usage();
  }
  qb::CloseLog();
  if (result != qb::kUpgAccepted) {
    std::printf("%s: refused, code %d\n", file->second.c_str(), result);
    return 1;
  }
  std::printf("%s: accepted, MCU image %u bytes, DSP image %u bytes\n", file->second.c_str(),
              images.mcuSize, images.dspSize);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return Usage();
  const std::string command = argv[1];
  if (command == "single") return Single(*options);
  if (command == "merged") return Merged(*options);
  if (command == "check") return Check(*options);
  return Usage();
}
