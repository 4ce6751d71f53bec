#pragma once
// The one check of every command family: a table of rows, each an API call and the exact
// report the box must receive for it (report id, AA 55, LEN, type, id, operation, payload,
// checksum computed here on its own, zero padding), the wait the call asks for and the lines
// it logs.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "devicelink/device_link.h"
#include "devicelink/link_timing.h"
#include "tests/support/command_reports.h"
#include "tests/support/log_capture.h"
#include "tests/support/scripted_hid.h"

namespace qb::test {

struct CommandRow {
  const char* what;
  std::function<void(DeviceLink&)> call;
  std::uint8_t id;
  std::uint8_t op;
  Bytes payload;
  std::uint32_t waitMs = kWaitDefaultMs;
  std::vector<std::string> log = {};  ///< lines the log file must hold
};

/// Checks a row's log in a family's own way, given everything the call logged.
using LogCheck = std::function<void(const CommandRow& row, const std::string& logFile)>;

/// Runs each row on `link` (open, over `hid`): exactly one report goes out and it is the
/// row's frame of `packetType`, byte for byte; the call asked for the row's wait (a call
/// that asks for none shows, the wait being marked before it); and the log holds the row's
/// lines, or passes `logCheck`.
inline void ExpectEachCommandSendsItsFrame(DeviceLink& link, ScriptedHidState& hid, std::uint8_t packetType,
                                           const std::vector<CommandRow>& rows, const LogCheck& logCheck = {}) {
  constexpr std::uint32_t kWaitMark = 4242;
  for (const CommandRow& row : rows) {
    SCOPED_TRACE(row.what);
    link.Query(0, 0, {}, kWaitMark);
    LogCapture log;
    const std::size_t before = hid.Written().size();
    row.call(link);
    const std::vector<Bytes> written = hid.Written();
    ASSERT_EQ(written.size(), before + 1);
    EXPECT_EQ(written.back(), CommandReport(packetType, row.id, row.op, row.payload));
    EXPECT_EQ(link.LastRequestedWaitMs(), row.waitMs);
    const std::string file = log.File();
    if (logCheck) {
      logCheck(row, file);
      continue;
    }
    for (const std::string& line : row.log) EXPECT_NE(file.find(line), std::string::npos) << file;
  }
}

}  // namespace qb::test
