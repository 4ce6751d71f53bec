#pragma once
// What tests may do that no front end may: arrange the mirror directly (a state the test
// describes rather than reaches through the box) and watch the device link.

#include "core/equalizer_manager.h"

namespace qb {

struct CoreTestAccess {
  static EqualizerMirror& Mirror(EqualizerManager& core) { return core.MutableMirror(); }
  static Profile& Live(EqualizerManager& core) { return core.MutableMirror().currentProfile; }
  static DeviceLink& Link(EqualizerManager& core) { return core.Link(); }
};

}  // namespace qb
