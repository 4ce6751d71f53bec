#pragma once
/// How long the link waits for the box. A wait ends early as soon as any report arrives.

#include <cstdint>
#include <limits>

namespace qb {

/// Every command and query not listed below.
inline constexpr std::uint32_t kWaitDefaultMs = 10000;
/// Scene save, load and delete, scene block read and write.
inline constexpr std::uint32_t kWaitSceneMs = 20000;
/// Factory preset and setup mode.
inline constexpr std::uint32_t kWaitPresetMs = 1000;
/// Source configuration, boot-loader version, power-off delay and DSP flash version queries.
inline constexpr std::uint32_t kWaitShortQueryMs = 500;
/// Factory default: the box erases and rebuilds its settings first.
inline constexpr std::uint32_t kWaitFactoryDefaultMs = 30000;
/// Commands whose acknowledgement nobody waits for (PC connected, upgrade blocks).
inline constexpr std::uint32_t kNoWait = 0;
/// The worker's wait after each queued command.
inline constexpr std::uint32_t kWorkerReplyWaitMs = 10000;
/// How often an idle worker looks at the queue.
inline constexpr std::uint32_t kWorkerIdlePollMs = 5;
/// A read waits in slices of at most this long, so that closing the link is noticed soon.
inline constexpr std::uint32_t kReadSliceMs = 100;

/// Tunables of one link. Production uses the defaults; tests shorten the waits so that a
/// silent box costs milliseconds instead of seconds.
struct LinkTimings {
  /// Upper bound applied to every wait for a report.
  std::uint32_t waitCapMs = std::numeric_limits<std::uint32_t>::max();
  std::uint32_t readSliceMs = kReadSliceMs;
};

}  // namespace qb
