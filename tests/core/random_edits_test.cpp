// A long random tuning session through the editing services alone, against the virtual box
// answering at full speed: after every step the box's live settings must equal the mirror
// as the wire carries it. The seed comes from QB_SESSION_SEED (or a fixed default) and is
// printed with every failure, so a failing session can be replayed exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/core/core_session.h"
#include "tests/core/edit_driver.h"
#include "tests/support/mirror_box_compare.h"

namespace qb::test {
namespace {

constexpr int kSteps = 4000;
constexpr unsigned kDefaultSeed = 11u;

TEST(RandomEditsTest, BoxFollowsTheMirrorThroughALongRandomSession) {
  const unsigned seed = SessionSeed(kDefaultSeed);
  SCOPED_TRACE(testing::Message() << "QB_SESSION_SEED=" << seed);
  CoreSession session;
  ASSERT_TRUE(session.StartAtFullSpeed());
  ASSERT_TRUE(CompareBoxWithMirror(session.Box(), session.Live()).empty());

  EditDriver driver(session.core, seed);
  std::vector<std::string> history;
  int stepsLinked = 0;
  int stepsSynchronized = 0;
  for (int step = 1; step <= kSteps; ++step) {
    history.push_back(driver.Step());
    ASSERT_TRUE(session.Drain()) << "step " << step << " (" << history.back() << "): the box did not answer";
    stepsLinked += session.Live().linkMode;
    stepsSynchronized +=
        std::count(session.Live().synchronize.begin(), session.Live().synchronize.end(), 1) > 1 ? 1 : 0;
    const std::string diff = CompareBoxWithMirror(session.Box(), session.Live());
    if (diff.empty()) continue;
    std::string recent;
    for (std::size_t k = history.size() > 8 ? history.size() - 8 : 0; k < history.size(); ++k)
      recent += "  " + std::to_string(k + 1) + ": " + history[k] + "\n";
    FAIL() << "seed " << seed << ", step " << step << " (" << history.back()
           << ") left the box unlike the mirror:\n"
           << diff << "last operations:\n"
           << recent;
  }
  if (std::getenv("QB_SESSION_VERBOSE")) std::printf("linked %d synchronized %d\n", stepsLinked, stepsSynchronized);
  if (seed != kDefaultSeed) return;
  // The default session reaches the coupled paths, not only single outputs.
  EXPECT_GT(stepsLinked, 0);
  EXPECT_GT(stepsSynchronized, 0);
}

}  // namespace
}  // namespace qb::test
