#include "core/session_state.h"

namespace qb {

DelayUnit DelayUnitOfIndex(int index) {
  if (index == static_cast<int>(DelayUnit::Cm)) return DelayUnit::Cm;
  if (index == static_cast<int>(DelayUnit::In)) return DelayUnit::In;
  return DelayUnit::Ms;
}

const char* ConnectionStateName(ConnectionState state) {
  switch (state) {
    case ConnectionState::Disconnected: return "disconnected";
    case ConnectionState::Connecting: return "connecting";
    case ConnectionState::Reading: return "reading";
    case ConnectionState::Connected: return "connected";
    case ConnectionState::Upgrading: return "upgrading";
  }
  return "disconnected";
}

}  // namespace qb
