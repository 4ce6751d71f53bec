#pragma once
/// How a virtual box presents itself: identity, firmware versions, channel counts and the
/// timing of its USB endpoint. Chosen once when the box is made.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qb::sim {

/// How the box's firmware upgrade receiver behaves: what a completed upgrade installs and
/// the faults it can be told to show.
struct UpgradeReceiverConfig {
  /// Versions a verified image installs: the handshake's master and slave version after an
  /// MCU image, the DSP-flash version after a flash image, the boot-loader version after a
  /// boot-loader image.
  std::uint8_t newMasterVersion = 17;
  std::uint8_t newSlaveVersion = 1;
  std::array<std::uint8_t, 4> newFlashVersion = {1, 0, 2, 4};
  std::uint8_t newBootloaderVersion = 4;
  /// Blocks (0 = the first block of a transfer) first answered NOT_READY; their ACK_READY
  /// follows notReadyDelay later as a report of its own.
  std::vector<std::size_t> notReadyBlocks;
  std::chrono::milliseconds notReadyDelay{5};
  /// Start commands are answered ACK_NOT_READY.
  bool refuseStart = false;
};

struct VirtualBoxConfig {
  /// Model id of the handshake; 79 is the ZX7140K.
  std::uint8_t model = 79;
  std::uint8_t masterVersion = 16;
  std::uint8_t slaveVersion = 16;
  /// False: the box sits in its loader and can only be upgraded (handshake status 0xF0).
  bool applicationMode = true;
  std::array<std::uint8_t, 4> flashVersion = {1, 0, 2, 3};
  std::uint8_t bootloaderVersion = 3;

  /// Channel counts and trim width the box speaks with; they must match the link's
  /// configuration, as they do for a real box and the program that knows its model.
  int outputCount = 8;
  int inputCount = 6;
  bool fineTrim = false;

  /// Time from writing a report (or from the previous input report) until an input report
  /// can be read: one frame of a full-speed interrupt endpoint.
  std::chrono::microseconds reportLatency{1000};
  /// After acknowledging a reboot or factory default the box stays on the bus this long,
  /// then disappears for rebootOffline before it enumerates again.
  std::chrono::milliseconds rebootDelay{20};
  std::chrono::milliseconds rebootOffline{300};

  /// The upgrade receiver; its restart into the loader uses rebootDelay and rebootOffline.
  UpgradeReceiverConfig upgrade;

  std::wstring manufacturer = L"Quorel Audio";
  std::wstring product = L"ZX7140K";
  std::wstring serialNumber = L"QB7140K0001";
};

}  // namespace qb::sim
