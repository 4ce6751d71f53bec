#pragma once
/// The hidapi and system calls the production backend makes to find and open the box, as
/// replaceable functions. Tests hand the backend doubles of them, so that a box that is
/// present but refused to this user can be shown without hardware or a particular udev
/// set-up. Only opening goes through here: an open device talks to hidapi directly.

#include <hidapi.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include "devicelink/hid_transport.h"

namespace qb {

struct HidapiCalls {
  /// hid_enumerate: every device with the ids (0 matches any), a list freed below.
  std::function<hid_device_info*(unsigned short vendorId, unsigned short productId)> enumerate =
      hid_enumerate;
  std::function<void(hid_device_info* list)> freeEnumeration = hid_free_enumeration;
  /// hid_open_path: the open device, or null with errno telling why when the system said.
  std::function<hid_device*(const char* path)> openPath = hid_open_path;
  std::function<void(hid_device* device)> close = hid_close;
  /// access(2): 0 when this user may use `path` in `mode`, otherwise -1 with errno set.
  std::function<int(const char* path, int mode)> access = ::access;
};

/// The production backend with its opening calls replaced.
std::shared_ptr<HidBackend> MakeHidapiBackend(HidapiCalls calls);

}  // namespace qb
