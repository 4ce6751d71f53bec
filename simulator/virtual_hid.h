#pragma once
/// The virtual box behind the device link's HID seam: a backend whose Open finds the box
/// while it is on the bus, and devices that carry reports to and from it. This is what the
/// program's simulate mode and the integration tests open instead of hidapi.

#include <memory>

#include "devicelink/hid_transport.h"
#include "simulator/box_config.h"
#include "simulator/virtual_box.h"

namespace qb::sim {

class VirtualHidBackend final : public HidBackend {
 public:
  explicit VirtualHidBackend(std::shared_ptr<VirtualBox> box) : m_box(std::move(box)) {}

  int Init() override { return 0; }
  /// A device while the box is on the bus and the ids are the box's (0x0483, 0x5750);
  /// otherwise null, as hid_open finds nothing.
  std::unique_ptr<HidDevice> Open(std::uint16_t vendorId, std::uint16_t productId) override;

  /// The box, for tests and for the UI's unplug and replug menu.
  const std::shared_ptr<VirtualBox>& Box() const { return m_box; }

 private:
  std::shared_ptr<VirtualBox> m_box;
};

/// A fresh box with `config` behind a new backend.
std::shared_ptr<VirtualHidBackend> MakeVirtualBoxBackend(VirtualBoxConfig config = {});

}  // namespace qb::sim
