#pragma once
/// The virtual box behind the device link's HID seam: a backend whose Open finds the box
/// while it is on the bus, and devices that carry reports to and from it. This is what the
/// program's simulate mode and the integration tests open instead of hidapi.

#include <memory>
#include <mutex>
#include <string>

#include "devicelink/hid_transport.h"
#include "simulator/box_config.h"
#include "simulator/virtual_box.h"

namespace qb::sim {

class VirtualHidBackend final : public HidBackend {
 public:
  explicit VirtualHidBackend(std::shared_ptr<VirtualBox> box) : m_box(std::move(box)) {}

  int Init() override { return 0; }
  /// A device while the box is on the bus and the ids are the box's (0x0483, 0x5750);
  /// otherwise NotFound, as hidapi finds nothing. While access is denied, a box on the bus
  /// is PermissionDenied instead.
  HidOpenResult Open(std::uint16_t vendorId, std::uint16_t productId) override;

  /// Refuses the next `opens` opens of the box (a negative count: every open until
  /// AllowAccess) as a node this user may not open, named `node`: a box whose udev rule is
  /// missing, or not yet applied just after it was plugged in.
  void DenyAccess(std::string node, int opens = -1);
  void AllowAccess() { DenyAccess({}, 0); }
  /// Opens refused so far.
  int RefusedOpens() const;

  /// The box, for tests and for the UI's unplug and replug menu.
  const std::shared_ptr<VirtualBox>& Box() const { return m_box; }

 private:
  std::shared_ptr<VirtualBox> m_box;
  mutable std::mutex m_accessLock;  ///< guards the three below: opens come from any thread
  std::string m_deniedNode;
  int m_opensToDeny = 0;
  int m_refusedOpens = 0;
};

/// A fresh box with `config` behind a new backend.
std::shared_ptr<VirtualHidBackend> MakeVirtualBoxBackend(VirtualBoxConfig config = {});

}  // namespace qb::sim
