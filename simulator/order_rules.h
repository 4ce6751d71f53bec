#pragma once
/// The order rule a box can check in the commands it receives, recorded for tests: a
/// program that sends the right values in the wrong order can leave the virtual box right
/// and a real box wrong, so the virtual box writes down every time the rule is broken.
///
/// A stored scene is written as one unit. Once a setter addressed to scene n (a DSP setter
/// whose scene byte is 1..10) has written into it, SaveScene(n) must come before anything
/// else reaches the box: a setter of the live settings or of another scene, a command of
/// the box as a whole, a scene command about another scene, a load of scene n, or a new
/// connection. The name of scene n may come in between (it waits for the save anyway), and
/// queries change nothing and count for nothing. A value that reaches a scene after the
/// scene's save, as queued mix levels would if the save did not wait for them, is written
/// into a scene the box has already committed, and breaks the rule.
///
/// What the box cannot see is not checked here: a SaveScene(n, 1) with nothing written
/// since the last save is allowed (the protocol gives no rule for it; the box commits the
/// slot as it stands), and commands of the live settings have no end the box could notice.
///
/// A box that leaves the bus forgets what was pending: a transfer cut short by an unplug is
/// not a misorder of the program.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/box_context.h"

namespace qb::sim {

class OrderRules {
 public:
  /// A valid command the box takes, before it is applied.
  void Observe(const BoxCommand& command);
  /// A program opened a new connection to the box.
  void ConnectionOpened();
  /// The box left the bus.
  void LeftBus();

  /// The breaks of the rule seen so far, one sentence each, oldest first.
  const std::vector<std::string>& Violations() const { return m_violations; }
  void ClearViolations() { m_violations.clear(); }

 private:
  /// Ends the unit of the scene being written, if any, because `what` arrived.
  void Interrupt(const std::string& what);

  std::optional<std::uint8_t> m_writing;  ///< the scene with values written and not yet saved
  std::size_t m_writes = 0;               ///< setters that wrote into it since its save
  bool m_afterItsSave = false;            ///< they began right after that scene's own save
  std::optional<std::uint8_t> m_lastSaved;  ///< the scene of the last save, while nothing else came
  std::vector<std::string> m_violations;
};

}  // namespace qb::sim
