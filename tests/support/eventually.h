#pragma once
/// Waiting in tests for what another thread makes true.

#include <chrono>
#include <thread>

namespace qb::test {

/// Polls `condition` until it holds or `limit` has passed; the last poll's answer. The limit
/// only matters when the test fails: it is generous for slow machines and sanitizers.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

}  // namespace qb::test
