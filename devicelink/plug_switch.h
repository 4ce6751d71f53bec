#pragma once
/// A box whose presence on the bus software can change: the virtual box of the simulate
/// mode. The main window takes it off the bus and puts it back (F8/F9) and hears its plug
/// events through this, so no window needs the simulator itself.

#include <functional>

namespace qb {

class PlugSwitch {
 public:
  virtual ~PlugSwitch() = default;
  /// Leaves the bus now.
  virtual void Unplug() = 0;
  /// Comes back on the bus.
  virtual void Replug() = 0;
  /// Lets timed events happen (the return after a restart) and tells the listener.
  virtual void Poll() = 0;
  /// `listener(true)` when the box appears on the bus, `listener(false)` when it leaves; it
  /// may be called on any thread.
  virtual void SetPlugListener(std::function<void(bool plugged)> listener) = 0;
};

}  // namespace qb
