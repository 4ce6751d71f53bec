#include "devicelink/firmware_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "devicelink/device_link.h"
#include "devicelink/value_encoding.h"
#include "shell/log.h"

namespace qb {

void FirmwareImages::ReleaseMcuImage() {
  std::vector<std::uint8_t>().swap(mcuImage);
  mcuSize = 0;
  mcuRemaining = 0;
  mcuHead = {};
}

void FirmwareImages::ReleaseDspImage() {
  std::vector<std::uint8_t>().swap(dspImage);
  dspSize = 0;
  dspSent = 0;
  flashHead = {};
}

std::uint32_t ImageByteSum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (const std::uint8_t b : bytes) sum += b;
  return sum;
}

ImageCheckEnv ImageCheckEnvOf(const DeviceLink& link) {
  ImageCheckEnv env;
  env.linkOpen = link.IsDeviceOpen();
  env.pcModelId = link.Config().pc_model_id;
  env.noCheckID = link.NoCheckID();
  return env;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

/// One single image cut into its fields. Only built from at least kImageFrameBytes bytes,
/// so every field lies inside the image.
struct ImageParts {
  std::uint8_t fwId = 0;
  std::uint8_t modelId = 0;
  ImageHead head{};
  ByteView data;
  ImageHead tail{};
  std::uint32_t computedSum = 0;  ///< over everything but the stored sum
  std::uint32_t storedSum = 0;
};

std::optional<ImageParts> SplitImage(ByteView image) {
  if (image.size() < kImageFrameBytes) return std::nullopt;
  const std::size_t sumAt = image.size() - 4;
  ImageParts parts;
  parts.fwId = image[0];
  parts.modelId = image[1];
  std::copy_n(image.begin() + 2, 4, parts.head.begin());
  parts.data = image.subspan(kImagePreambleBytes, image.size() - kImageFrameBytes);
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(sumAt - 4), 4, parts.tail.begin());
  parts.computedSum = ImageByteSum(image.first(sumAt));
  parts.storedSum = DecodeU32BE(image.subspan(sumAt)).value_or(0);
  return parts;
}

bool ModelMatches(const ImageParts& parts, const ImageCheckEnv& env) {
  return env.noCheckID || parts.modelId == env.pcModelId;
}

bool SumsAgree(const ImageParts& parts) { return parts.computedSum == parts.storedSum; }

void LoadMcu(const ImageParts& parts, bool toSend, FirmwareImages& images) {
  images.mcuImage.assign(parts.data.begin(), parts.data.end());
  images.mcuSize = static_cast<std::uint32_t>(images.mcuImage.size());
  images.mcuRemaining = toSend ? images.mcuSize : 0;
  images.mcuHead = parts.head;
}

void LoadDsp(const ImageParts& parts, FirmwareImages& images) {
  images.dspImage.assign(parts.data.begin(), parts.data.end());
  images.dspSize = static_cast<std::uint32_t>(images.dspImage.size());
  images.dspSent = 0;
  images.flashHead = parts.head;
}

unsigned U(std::uint8_t byte) { return byte; }

void LogHead(const ImageHead& head) {
  LogPrintA("HEAD[0]=0x%x, HEAD[1]=0x%x, HEAD[2]=0x%x, HEAD[3]=0x%x\n", U(head[0]), U(head[1]),
            U(head[2]), U(head[3]));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

/// An image file opened for reading whose real length is known before anything is read,
/// so that oversized files are refused unread.
class ImageFile {
 public:
  /// Opens `path` when it names a regular file, logging "Open file ... success!".
  static std::optional<ImageFile> Open(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, FileCloser> handle(std::fopen(path.c_str(), "rb"));
    if (!handle) return std::nullopt;
    struct stat info {};
    if (fstat(fileno(handle.get()), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
      return std::nullopt;
    }
    LogPrintA("Open file %s success!\n", path.c_str());
    return ImageFile(std::move(handle), static_cast<std::uint64_t>(info.st_size));
  }

  std::uint64_t Size() const { return m_size; }

  /// Reads the whole file into `out` and closes it. False when fewer bytes than its
  /// length could be read.
  bool ReadAll(Bytes& out) {
    out.resize(static_cast<std::size_t>(m_size));
    const std::size_t got = std::fread(out.data(), 1, out.size(), m_handle.get());
    m_handle.reset();
    if (got == out.size()) return true;
    Bytes().swap(out);
    return false;
  }

 private:
  ImageFile(std::unique_ptr<std::FILE, FileCloser> handle, std::uint64_t size)
      : m_handle(std::move(handle)), m_size(size) {}

  std::unique_ptr<std::FILE, FileCloser> m_handle;
  std::uint64_t m_size = 0;
};

/// The log texts and kind of the MCU application and boot-loader checks.
struct McuVariant {
  UpgradeKind kind;
  const char* entry;
  const char* connectFail;
  const char* failed;
  const char* ok;
};

constexpr McuVariant kMcuApplication{UpgradeKind::Mcu, "MCUUpgParsingFile!\n",
                                     "MCUUpgParsingFile return UPG_CONNECT_FAIL!\n",
                                     "MCUUpgParsingFile return as failed in MCUUpgParsingFile!\n",
                                     "MCUUpgParsingFile return  ok!\n"};
constexpr McuVariant kMcuBootloader{UpgradeKind::Bootloader, "MCUUpgBLParsingFile!\n",
                                    "MCUUpgBLParsingFile return UPG_CONNECT_FAIL!\n",
                                    "MCUUpgBLParsingFile return as failed in CopyFileToBuffer!\n",
                                    "MCUUpgBLParsingFile return  ok!\n"};

/// Reads an MCU or boot-loader file and checks it.
int CopyFileToBuffer(const std::filesystem::path& path, const ImageCheckEnv& env,
                     FirmwareImages& images) {
  std::optional<ImageFile> file = ImageFile::Open(path);
  if (!file) return kUpgCannotOpen;
  if (file->Size() > kMaxSingleImageFileBytes) return UPG_FILE_INVALID;
  Bytes bytes;
  if (!file->ReadAll(bytes)) {
    LogPrintA("UPG_FILE_INVALID");
    return UPG_FILE_INVALID;
  }
  return CheckMcuImageBytes(bytes, env, images);
}

int McuParsingFile(const McuVariant& variant, const std::filesystem::path& path,
                   const ImageCheckEnv& env, FirmwareImages& images) {
  images.ReleaseImages();
  LogPrintA("%s", variant.entry);
  images.kind = variant.kind;
  images.sys_upg_status.store(UPG_ENTER);
  if (!env.linkOpen) {
    LogPrintA("%s", variant.connectFail);
    return UPG_CONNECT_FAIL;
  }
  const int result = CopyFileToBuffer(path, env, images);
  LogPrintA("%s", result == kUpgAccepted ? variant.ok : variant.failed);
  return result;
}

/// The parts of a merged file, located after every size was checked against its length.
struct MergedParts {
  ByteView mcu;
  ByteView dsp;
};

std::optional<MergedParts> SplitMergedFile(ByteView file) {
  if (file.size() < 3 || file.size() > kMaxMergedFileBytes) {
    LogPrintA("upg FW length %zu out of range!\n", file.size());
    return std::nullopt;
  }
  LogPrintA("head is 0x%x, 0x%x\n", U(file[0]), U(file[1]));
  if (file[0] != kMergedFileMark && file[1] != kMergedFileMark) {
    LogPrintA("upg FW not match!\n");
    return std::nullopt;
  }
  const std::size_t count = file[2];
  LogPrintA("totalFW=%d\n", static_cast<int>(count));
  const std::size_t tableEnd = 3 + 4 * count;
  if (count < 2 || count > kMaxMergedImages || tableEnd > file.size()) {
    LogPrintA("upg FW size table invalid!\n");
    return std::nullopt;
  }
  std::array<std::uint32_t, kMaxMergedImages> sizes{};
  for (std::size_t i = 0; i < count; ++i) {
    const ByteView entry = file.subspan(3 + 4 * i, 4);
    LogPrintA("tmp[0]=0x%x, tmp[1]=0x%x, tmp[2]=0x%x, tmp[3]=0x%x\n", U(entry[0]), U(entry[1]),
              U(entry[2]), U(entry[3]));
    sizes[i] = DecodeU32BE(entry).value_or(0);
    LogPrintA("FWSize[%d]=0x%x\n", static_cast<int>(i), sizes[i]);
  }
  // 64-bit sums: two sizes near 4 GiB must not wrap round into a small total.
  const std::uint64_t mcuEnd = std::uint64_t{tableEnd} + sizes[0];
  const std::uint64_t dspEnd = mcuEnd + sizes[1];
  if (sizes[0] < kImageFrameBytes || sizes[1] < kImageFrameBytes || dspEnd > file.size()) {
    LogPrintA("upg FW image sizes do not fit the file!\n");
    return std::nullopt;
  }
  return MergedParts{file.subspan(tableEnd, sizes[0]),
                     file.subspan(static_cast<std::size_t>(mcuEnd), sizes[1])};
}

}  // namespace

int CheckMcuImageBytes(ByteView file, const ImageCheckEnv& env, FirmwareImages& images) {
  images.ReleaseImages();
  std::optional<ImageParts> parts;
  if (file.size() <= kMaxSingleImageFileBytes) parts = SplitImage(file);
  if (!parts) {
    LogPrintA("UPG_FILE_INVALID");
    return UPG_FILE_INVALID;
  }
  LogPrintA("cal MCU encrypt_checksum=0x%x!\n", parts->computedSum);
  LogPrintA("encrypt_checksum=0x%x!\n", parts->storedSum);
  if (!env.noCheckID) {
    LogPrintA("noCheckID=false, FW_ID=0x%x, FW_MODEL_ID=0x%x, pc_model_id=0x%x\n", U(parts->fwId),
              U(parts->modelId), U(env.pcModelId));
  }
  if (parts->fwId != kFwIdMcu || !ModelMatches(*parts, env) || !SumsAgree(*parts)) {
    LogPrintA("UPG_FILE_INVALID");
    return UPG_FILE_INVALID;
  }
  LoadMcu(*parts, true, images);
  return kUpgAccepted;
}

int CheckFlashImageBytes(ByteView file, const ImageCheckEnv& env, FirmwareImages& images) {
  images.ReleaseImages();
  std::optional<ImageParts> parts;
  if (file.size() <= kMaxSingleImageFileBytes) parts = SplitImage(file);
  if (!parts) {
    LogPrintA("UPG_FILE_INVALIE!\n");
    return UPG_FILE_INVALID;
  }
  LogPrintA("cal FLASH checksum=0x%x!\n", parts->computedSum);
  LogPrintA("encrypt_checksum=0x%x!\n", parts->storedSum);
  // A DSP-flash file is not checked for its FW_ID: files in the field may carry 1 there.
  if (!ModelMatches(*parts, env) || !SumsAgree(*parts)) {
    LogPrintA("UPG_FILE_INVALIE!\n");
    return UPG_FILE_INVALID;
  }
  LoadDsp(*parts, images);
  return kUpgAccepted;
}

int CheckMergedFileBytes(ByteView file, const ImageCheckEnv& env, FirmwareImages& images) {
  images.ReleaseImages();
  const std::optional<MergedParts> merged = SplitMergedFile(file);
  if (!merged) return UPG_FILE_INVALID;

  // Both parts are at least kImageFrameBytes long (checked above), so they split.
  const std::optional<ImageParts> mcu = SplitImage(merged->mcu);
  const std::optional<ImageParts> dsp = SplitImage(merged->dsp);
  if (!mcu || !dsp) return UPG_FILE_INVALID;

  const auto mcuDataSize = static_cast<unsigned>(mcu->data.size());
  LogPrintA("MCU imgfilesize=0x%x\n", mcuDataSize);
  LogHead(mcu->head);
  LogPrintA("read MCUFW size = 0x%x\n", mcuDataSize);
  LogPrintA("MCU cal encrypt_checksum=0x%x!\n", mcu->computedSum);
  LogPrintA("MCU encrypt_checksum=0x%x!\n", mcu->storedSum);
  if (mcu->fwId != kFwIdMcu || !ModelMatches(*mcu, env) || !SumsAgree(*mcu)) {
    LogPrintA("MCU checksum error!\n");
    return UPG_FILE_INVALID;
  }
  // Kept for completeness but not sent: a merged upgrade writes the DSP part only.
  LoadMcu(*mcu, false, images);

  const auto dspDataSize = static_cast<unsigned>(dsp->data.size());
  LogPrintA("dspsize=0x%x\n", dspDataSize);
  LogHead(dsp->head);
  LogPrintA("read DSPFW size = 0x%x\n", dspDataSize);
  LogPrintA("last[0]=0x%x, last[1]=0x%x, last[2]=0x%x, last[3]=0x%x\n", U(dsp->tail[0]),
            U(dsp->tail[1]), U(dsp->tail[2]), U(dsp->tail[3]));
  LogPrintA("cal DSP encrypt_checksum=0x%x!\n", dsp->computedSum);
  LogPrintA("dsp encrypt_checksum=0x%x!\n", dsp->storedSum);
  if (dsp->fwId != kFwIdDsp || !ModelMatches(*dsp, env) || !SumsAgree(*dsp)) {
    LogPrintA("DSP checksum error!\n");
    images.ReleaseImages();
    return UPG_FILE_INVALID;
  }
  LoadDsp(*dsp, images);
  images.kind = UpgradeKind::Flash;
  return kUpgAccepted;
}

int MCUUpgParsingFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                      FirmwareImages& images) {
  return McuParsingFile(kMcuApplication, path, env, images);
}

int MCUUpgBLParsingFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                        FirmwareImages& images) {
  return McuParsingFile(kMcuBootloader, path, env, images);
}

int FlashUpgParsingFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                        FirmwareImages& images) {
  images.ReleaseImages();
  LogPrintA("FlashUpgParsingFile!\n");
  if (!env.linkOpen) {
    LogPrintA("FlashUpgParsingFile return USB disconnected!\n");
    return UPG_CONNECT_FAIL;
  }
  images.kind = UpgradeKind::Flash;
  images.sys_upg_status.store(UPG_START);

  std::optional<ImageFile> file = ImageFile::Open(path);
  if (!file) {
    LogPrintA("Error: Open file %s error!\n", path.c_str());
    return kUpgCannotOpen;
  }
  if (file->Size() > kMaxSingleImageFileBytes) {
    LogPrintA("FlashUpgParsingFile UPG_FILE_INVALID!\n");
    return UPG_FILE_INVALID;
  }
  if (env.emptyReceiveRing) env.emptyReceiveRing();
  LogPrintA("%s file size is %ld\n", path.c_str(), static_cast<long>(file->Size()));

  Bytes bytes;
  if (!file->ReadAll(bytes)) {
    LogPrintA("UPG_FILE_INVALIE!\n");
    return UPG_FILE_INVALID;
  }
  const int result = CheckFlashImageBytes(bytes, env, images);
  if (result == kUpgAccepted) LogPrintA("FlashUpgParsingFile return ok!\n");
  return result;
}

int ParsingUpgFWFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                     FirmwareImages& images) {
  images.ReleaseImages();
  std::optional<ImageFile> file = ImageFile::Open(path);
  if (!file) return UPG_FILE_INVALID;
  if (file->Size() > kMaxMergedFileBytes) return UPG_FILE_INVALID;
  Bytes bytes;
  if (!file->ReadAll(bytes)) {
    LogPrintA("read FW error!\n");
    return UPG_FILE_INVALID;
  }
  return CheckMergedFileBytes(bytes, env, images);
}

int MCUUpgParsingFile(const DeviceLink& link, const std::filesystem::path& path,
                      FirmwareImages& images) {
  return MCUUpgParsingFile(path, ImageCheckEnvOf(link), images);
}

int MCUUpgBLParsingFile(const DeviceLink& link, const std::filesystem::path& path,
                        FirmwareImages& images) {
  return MCUUpgBLParsingFile(path, ImageCheckEnvOf(link), images);
}

int FlashUpgParsingFile(const DeviceLink& link, const std::filesystem::path& path,
                        FirmwareImages& images) {
  return FlashUpgParsingFile(path, ImageCheckEnvOf(link), images);
}

int ParsingUpgFWFile(const DeviceLink& link, const std::filesystem::path& path,
                     FirmwareImages& images) {
  return ParsingUpgFWFile(path, ImageCheckEnvOf(link), images);
}

}  // namespace qb
