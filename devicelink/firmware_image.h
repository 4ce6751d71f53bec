#pragma once
/// Firmware image files: reading a chosen image into memory and checking its kind, the
/// model it is built for and its additive checksum before an upgrade sends it.
///
/// A single image of S bytes (S >= 14) is laid out as
///   [0] FW_ID (1 MCU application or boot loader, 2 DSP) [1] FW_MODEL_ID
///   [2..6) head (start-command payload)  [6..S-8) image data  [S-8..S-4) tail
///   [S-4..S) encrypt_checksum, 32-bit big-endian = unsigned 32-bit sum of bytes [0..S-4).
/// A merged file holds two head bytes (one of them 0x73), a count N <= 5, N big-endian
/// 32-bit sizes, then an MCU image of size 0 and a DSP image of size 1, each laid out as a
/// single image.
///
/// Files are read whole, after their real length is known, and no size taken from a file
/// is used before it is checked against the bytes actually read. Every failure leaves no
/// image loaded.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace qb {

class DeviceLink;

// --- result codes of the image checks (and of starting an upgrade) ----------------------
inline constexpr int kUpgAccepted = 0;
inline constexpr int kUpgCannotOpen = 1;
inline constexpr int UPG_FILE_INVALID = 2;
inline constexpr int UPG_CONNECT_FAIL = 3;
inline constexpr int kUpgNotAcknowledged = 4;

// --- transfer states held in FirmwareImages::sys_upg_status -------------------------------
inline constexpr std::uint32_t UPG_IDLE = 0;
inline constexpr std::uint32_t UPG_ENTER = 16;
inline constexpr std::uint32_t UPG_START = 32;
inline constexpr std::uint32_t UPG_SEND_BIN_DATA = 48;
inline constexpr std::uint32_t UPG_WAITING_BIN_DATA_ACK = 49;
inline constexpr std::uint32_t UPG_FINISH = 64;
inline constexpr std::uint32_t UPG_FAIL = 80;

/// What an upgrade writes into the box.
enum class UpgradeKind : std::uint8_t { None = 0, Flash = 1, Mcu = 2, Bootloader = 3 };

// --- file layout ------------------------------------------------------------------------
inline constexpr std::uint8_t kFwIdMcu = 1;
inline constexpr std::uint8_t kFwIdDsp = 2;
/// FW_ID, FW_MODEL_ID and the head come before the data; tail and sum follow it.
inline constexpr std::size_t kImagePreambleBytes = 6;
inline constexpr std::size_t kImageTrailerBytes = 8;
inline constexpr std::size_t kImageFrameBytes = kImagePreambleBytes + kImageTrailerBytes;
/// Largest single image file accepted; larger files are refused before anything is read.
inline constexpr std::uint64_t kMaxSingleImageFileBytes = 0x100000;
/// Largest merged file accepted; larger files are refused before anything is read.
inline constexpr std::uint64_t kMaxMergedFileBytes = 0x200000;
/// One of the two head bytes of a merged file must be this mark.
inline constexpr std::uint8_t kMergedFileMark = 0x73;
/// The merged file's size table holds at most this many entries.
inline constexpr std::size_t kMaxMergedImages = 5;

using ImageHead = std::array<std::uint8_t, 4>;

/// The loaded images and the upgrade transfer's state. Owned by the link; filled by the
/// checks below and consumed by the transfer.
///
/// Threads: the upgrade thread owns every field but two. sys_upg_status is atomic because
/// the connection logic reads it from the UI thread (16 and 32 mean an upgrade is under
/// way); it and step are atomic because the acknowledgement decoders write them on
/// whichever thread reads the box's report.
struct FirmwareImages {
  std::atomic<std::uint32_t> sys_upg_status{UPG_IDLE};
  /// Sub-state of one transfer step: 0 act on the state, 1 block just sent, 2 read one
  /// report next, 3 transfer ended.
  std::atomic<std::uint16_t> step{0};
  UpgradeKind kind = UpgradeKind::None;

  std::vector<std::uint8_t> mcuImage;  ///< MCU image data (without the 14 framing bytes)
  std::uint32_t mcuSize = 0;           ///< == mcuImage.size()
  std::uint32_t mcuRemaining = 0;      ///< MCU bytes not yet sent
  ImageHead mcuHead{};                 ///< payload of the MCU or boot-loader start command

  std::vector<std::uint8_t> dspImage;  ///< DSP-flash image data
  std::uint32_t dspSize = 0;           ///< == dspImage.size()
  std::uint32_t dspSent = 0;           ///< DSP bytes sent so far
  ImageHead flashHead{};               ///< payload of the DSP-flash start command

  std::array<std::uint8_t, 128> blockBuffer{};  ///< payload of the block being sent

  /// Frees the MCU image; its size and remaining count become 0.
  void ReleaseMcuImage();
  /// Frees the DSP image; its size and sent count become 0.
  void ReleaseDspImage();
  void ReleaseImages() {
    ReleaseMcuImage();
    ReleaseDspImage();
  }
};

/// What the checks need to know of the link.
struct ImageCheckEnv {
  bool linkOpen = false;
  std::uint8_t pcModelId = 0;  ///< model the image must be built for
  bool noCheckID = false;      ///< waives the model check
  /// Empties the link's receive ring; the DSP-flash check calls it once the file is known
  /// to fit, so that no stale bytes precede the upgrade's acknowledgements. May be empty.
  std::function<void()> emptyReceiveRing;
};

/// The environment of `link`: its open state, pc_model_id and noCheckID. The receive-ring
/// hook stays empty (the ring is private to the link; the link's own wrapper supplies it).
ImageCheckEnv ImageCheckEnvOf(const DeviceLink& link);

// --- the four checks ------------------------------------------------------------------------
// Each returns 0 (accepted), 1 (cannot open), 2 (UPG_FILE_INVALID) or 3 (UPG_CONNECT_FAIL)
// and writes its log lines. Any call first frees whatever images were loaded before (even
// when it then returns 3), so afterwards exactly the images of this file are loaded, or
// none when it fails. A path that names no regular file cannot be opened.

/// MCU application image. Sets kind Mcu and sys_upg_status UPG_ENTER first (even when the
/// check then fails); returns 3 when the link is closed, without opening the file. A file
/// larger than 1 MiB is refused unread (2). Accepted: FW_ID 1, FW_MODEL_ID == pcModelId
/// (unless noCheckID), sums agree; then mcuImage/mcuSize/mcuRemaining/mcuHead are set.
int MCUUpgParsingFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                      FirmwareImages& images);
/// MCU boot-loader image: as MCUUpgParsingFile with kind Bootloader.
int MCUUpgBLParsingFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                        FirmwareImages& images);
/// DSP-flash image. Returns 3 when the link is closed, without opening the file and with
/// kind and status untouched; otherwise sets kind Flash and sys_upg_status UPG_START. A file larger
/// than 1 MiB is refused unread (2). Accepted: FW_MODEL_ID == pcModelId (unless noCheckID) and sums
/// agree, whatever FW_ID says; then dspImage/dspSize/flashHead are set and dspSent is 0.
int FlashUpgParsingFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                        FirmwareImages& images);
/// Merged file; does not look at the link. A file that cannot be opened is 2, like every
/// other failure; a file larger than 2 MiB is refused unread. Refused as well: no 0x73
/// head byte, more than 5 or fewer than 2 sizes, an image size below 14 bytes, images
/// reaching past the file's end, an MCU part that is not FW_ID 1 or a DSP part that is
/// not FW_ID 2, a wrong model (unless noCheckID) or a wrong sum in either part.
/// Accepted: both images and heads are set (mcuRemaining stays 0: the MCU part is kept
/// but not sent) and kind becomes Flash. sys_upg_status is not touched.
int ParsingUpgFWFile(const std::filesystem::path& path, const ImageCheckEnv& env,
                     FirmwareImages& images);

/// The same four checks with the environment taken from `link` (ImageCheckEnvOf).
int MCUUpgParsingFile(const DeviceLink& link, const std::filesystem::path& path,
                      FirmwareImages& images);
int MCUUpgBLParsingFile(const DeviceLink& link, const std::filesystem::path& path,
                        FirmwareImages& images);
int FlashUpgParsingFile(const DeviceLink& link, const std::filesystem::path& path,
                        FirmwareImages& images);
int ParsingUpgFWFile(const DeviceLink& link, const std::filesystem::path& path,
                     FirmwareImages& images);

// --- checks of bytes already in memory ----------------------------------------------------
// The content checks the file checks run once a file is read: size limits included, link
// state and the kind/status fields excluded. Return 0 or 2. Every failure frees the images.

/// An MCU application or boot-loader image (both are FW_ID 1); sets mcuRemaining to the
/// image size.
int CheckMcuImageBytes(std::span<const std::uint8_t> file, const ImageCheckEnv& env,
                       FirmwareImages& images);
/// A DSP-flash image (any FW_ID); sets dspSent to 0.
int CheckFlashImageBytes(std::span<const std::uint8_t> file, const ImageCheckEnv& env,
                         FirmwareImages& images);
/// A merged file; on success also sets kind Flash.
int CheckMergedFileBytes(std::span<const std::uint8_t> file, const ImageCheckEnv& env,
                         FirmwareImages& images);

/// The image checksum: unsigned 32-bit sum (wrapping) of `bytes`.
std::uint32_t ImageByteSum(std::span<const std::uint8_t> bytes);

}  // namespace qb
