#pragma once
/// The state of a tuning session that belongs to no settings set: how the user wants delays
/// shown, whether the equaliser is edited as parametric or graphic, how far the connection
/// with the box has come, and the code page scene names are read in. It lives in the mirror
/// beside the profiles, so every view and front end reads the same values.

#include <string>

namespace qb {

/// Units a delay is shown and typed in, in the order of the unit list.
enum class DelayUnit { Ms = 0, Cm = 1, In = 2 };

/// The unit of a list index; anything but 1 or 2 (no selection included) is ms.
DelayUnit DelayUnitOfIndex(int index);

/// How far the connection with the box has come.
enum class ConnectionState {
  Disconnected,  ///< no box open
  Connecting,    ///< opening the box
  Reading,       ///< the box is open and its state is being read
  Connected,     ///< read; live edits reach the box
  Upgrading,     ///< a firmware upgrade owns the box
};

/// "disconnected", "connecting", "reading", "connected", "upgrading".
const char* ConnectionStateName(ConnectionState state);

struct SessionState {
  DelayUnit delayUnit = DelayUnit::Ms;
  /// Parametric equaliser (frequency, Q and gain editable); the graphic one at start.
  bool parametricEq = false;
  ConnectionState connection = ConnectionState::Disconnected;
  /// iconv name of the 8-bit code page scene names travel in (follows the UI language).
  std::string codePage = "CP1252";
};

}  // namespace qb
