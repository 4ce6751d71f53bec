// Long random sessions against the virtual box answering at full speed. The first edits
// single settings, and after every step the box's live settings must equal the mirror as
// the wire carries it. The second also moves whole states (files, scenes, filter texts,
// calibration results, a box that leaves), and after every step a program started afresh
// on the same box must read what the session shows. The seed comes from QB_SESSION_SEED
// (or a fixed default) and the length from QB_SESSION_STEPS; the seed is printed with
// every failure, so a failing session can be replayed exactly.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/core/core_session.h"
#include "tests/core/edit_driver.h"
#include "tests/core/whole_state_driver.h"
#include "tests/support/mirror_box_compare.h"
#include "tests/support/read_out_compare.h"

namespace qb::test {
namespace {

constexpr int kSteps = 4000;
constexpr unsigned kDefaultSeed = 11u;
constexpr int kWholeStateSteps = 400;
constexpr unsigned kWholeStateSeed = 23u;

/// The last `count` step names of `history`, numbered, one a line.
std::string Recent(const std::vector<std::string>& history, std::size_t count = 8) {
  std::string recent;
  for (std::size_t k = history.size() > count ? history.size() - count : 0; k < history.size(); ++k)
    recent += "  " + std::to_string(k + 1) + ": " + history[k] + "\n";
  return recent;
}

/// A temporary folder for the session's files, removed with its content.
struct TempFolder {
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "whole_state_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

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
    FAIL() << "seed " << seed << ", step " << step << " (" << history.back()
           << ") left the box unlike the mirror:\n"
           << diff << "last operations:\n"
           << Recent(history);
  }
  if (std::getenv("QB_SESSION_VERBOSE")) std::printf("linked %d synchronized %d\n", stepsLinked, stepsSynchronized);
  if (seed != kDefaultSeed) return;
  // The default session reaches the coupled paths, not only single outputs.
  EXPECT_GT(stepsLinked, 0);
  EXPECT_GT(stepsSynchronized, 0);
}

/// After every step, a program that connects now reads from the box exactly what the
/// session shows, field by field; the box saw no command out of order; and every operation
/// did what it promised (a file the program saved loads, a name the box cannot hold is
/// refused, a task ends when the box leaves).
TEST(RandomEditsTest, AProgramStartedAfreshReadsWhatTheSessionShowsThroughWholeStateChanges) {
  const unsigned seed = SessionSeed(kWholeStateSeed);
  const int steps = SessionSteps(kWholeStateSteps);
  SCOPED_TRACE(testing::Message() << "QB_SESSION_SEED=" << seed);
  TempFolder folder;
  ASSERT_FALSE(folder.path.empty());
  CoreSession session;
  ASSERT_TRUE(session.StartAtFullSpeed());
  session.core.Scenes().AttachWindow(&session.queue);

  WholeStateDriver driver(session, folder.path, seed);
  std::vector<std::string> history;
  std::map<std::string, int> done;
  const auto started = std::chrono::steady_clock::now();
  for (int step = 1; step <= steps; ++step) {
    const WholeStateDriver::StepResult result = driver.Step();
    history.push_back(result.name);
    ++done[result.name.substr(0, result.name.find(':'))];
    const auto fail = [&](const std::string& what) {
      return testing::Message() << "seed " << seed << ", step " << step << " (" << result.name << ") " << what
                                << "\nlast operations:\n"
                                << Recent(history);
    };
    std::string problems;
    for (const std::string& p : result.problems) problems += "  " + p + "\n";
    ASSERT_TRUE(problems.empty()) << fail("went wrong:\n" + problems);
    ASSERT_EQ(session.Box().PendingReports(), 0u) << fail("left answers unread");

    auto fresh = ReadAfresh(session);
    ASSERT_NE(fresh, nullptr) << fail("left a box a new program cannot read");
    std::string diff = CompareReadOut(fresh->Mirror(), session.Mirror(), result.currentSceneKnown);
    for (int n = kFirstStoredScene; result.scenesWritten && n <= kLastStoredScene; ++n) {
      if ((session.Mirror().sceneValid >> (n - kFirstStoredScene) & 1u) == 0) continue;
      ASSERT_TRUE(ReadStoredSceneAfresh(*fresh, n)) << fail("left a stored scene a new program cannot read");
      Differences scene;
      CompareSettings(fresh->Mirror().scenes[At(n - kFirstStoredScene)], session.Mirror().scenes[At(n - kFirstStoredScene)],
                      scene);
      if (!scene.Empty()) diff += "scene " + std::to_string(n) + ":\n" + scene.Text();
    }
    CloseAfresh(std::move(fresh), session);
    ASSERT_EQ(diff, "") << fail("left the session showing what the box does not hold (field: box, shown)");
    const std::vector<std::string> misordered = session.Box().OrderViolations();
    ASSERT_TRUE(misordered.empty()) << fail("sent out of order: " + misordered.front());
  }
  if (std::getenv("QB_SESSION_VERBOSE")) {
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("seed %u: %d steps in %.1f s\n", seed, steps, seconds);
    for (const auto& [name, count] : done) std::printf("  %-26s %d\n", name.c_str(), count);
  }
  // The session of the suite reaches every kind of operation.
  if (seed == kWholeStateSeed && steps == kWholeStateSteps) {
    EXPECT_EQ(done.size(), driver.Kinds());
  }
}

}  // namespace
}  // namespace qb::test
