// Feeds arbitrary file bytes to the firmware image checks (single MCU, single DSP-flash and
// merged) and checks what each leaves loaded against an independent reading of the layout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "devicelink/firmware_image.h"

namespace {

using ByteView = std::span<const std::uint8_t>;

void Require(bool condition) {
  if (!condition) std::abort();
}

std::uint32_t BigEndianAt(ByteView bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 |
         static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

/// Whether `image` is a well-formed single image for the model with a matching sum.
bool SingleImageValid(ByteView image, const qb::ImageCheckEnv& env) {
  if (image.size() < 14) return false;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < image.size() - 4; ++i) sum += image[i];
  return sum == BigEndianAt(image, image.size() - 4) &&
         (env.noCheckID || image[1] == env.pcModelId);
}

bool Same(const std::vector<std::uint8_t>& loaded, ByteView image) {
  return loaded.size() + 14 == image.size() &&
         (loaded.empty() || std::memcmp(loaded.data(), image.data() + 6, loaded.size()) == 0);
}

void CheckSingle(ByteView file, const qb::ImageCheckEnv& env) {
  const bool fits = file.size() <= qb::kMaxSingleImageFileBytes;
  qb::FirmwareImages mcu;
  const int mcuResult = qb::CheckMcuImageBytes(file, env, mcu);
  Require(mcuResult == (fits && SingleImageValid(file, env) && file[0] == qb::kFwIdMcu ? 0 : 2));
  Require(mcu.dspImage.empty());
  if (mcuResult == 0) {
    Require(Same(mcu.mcuImage, file) && mcu.mcuSize == mcu.mcuImage.size());
    Require(mcu.mcuRemaining == mcu.mcuSize &&
            std::memcmp(mcu.mcuHead.data(), file.data() + 2, 4) == 0);
  } else {
    Require(mcu.mcuImage.empty() && mcu.mcuSize == 0 && mcu.mcuRemaining == 0);
  }

  qb::FirmwareImages dsp;
  const int dspResult = qb::CheckFlashImageBytes(file, env, dsp);
  Require(dspResult == (fits && SingleImageValid(file, env) ? 0 : 2));
  Require(dsp.mcuImage.empty());
  if (dspResult == 0) {
    Require(Same(dsp.dspImage, file) && dsp.dspSize == dsp.dspImage.size() && dsp.dspSent == 0);
  } else {
    Require(dsp.dspImage.empty() && dsp.dspSize == 0);
  }
}

void CheckMerged(ByteView file, const qb::ImageCheckEnv& env) {
  qb::FirmwareImages images;
  const int result = qb::CheckMergedFileBytes(file, env, images);
  Require(result == 0 || result == 2);
  if (result != 0) {
    Require(images.mcuImage.empty() && images.dspImage.empty());
    Require(images.mcuSize == 0 && images.dspSize == 0);
    return;
  }
  // Accepted: the layout must hold by an independent reading.
  Require(file.size() >= 3 && file.size() <= qb::kMaxMergedFileBytes);
  Require(file[0] == 0x73 || file[1] == 0x73);
  const std::size_t count = file[2];
  Require(count >= 2 && count <= 5 && file.size() >= 3 + 4 * count);
  const std::uint64_t mcuSize = BigEndianAt(file, 3);
  const std::uint64_t dspSize = BigEndianAt(file, 7);
  const std::size_t mcuAt = 3 + 4 * count;
  Require(mcuSize >= 14 && dspSize >= 14 && mcuAt + mcuSize + dspSize <= file.size());
  const ByteView mcu = file.subspan(mcuAt, mcuSize);
  const ByteView dsp = file.subspan(mcuAt + mcuSize, dspSize);
  Require(SingleImageValid(mcu, env) && mcu[0] == qb::kFwIdMcu);
  Require(SingleImageValid(dsp, env) && dsp[0] == qb::kFwIdDsp);
  Require(Same(images.mcuImage, mcu) && Same(images.dspImage, dsp));
  Require(images.mcuSize == images.mcuImage.size() && images.dspSize == images.dspImage.size());
  Require(images.mcuRemaining == 0 && images.kind == qb::UpgradeKind::Flash);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView file(data, size);
  qb::ImageCheckEnv env;
  env.linkOpen = true;
  env.pcModelId = 79;
  for (const bool noCheckID : {false, true}) {
    env.noCheckID = noCheckID;
    CheckSingle(file, env);
    CheckMerged(file, env);
  }
  return 0;
}
