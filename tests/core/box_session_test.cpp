// The connection lifecycle without a display: the states an observer follows, the notices
// the front end is told, and the rule that the owning thread never waits for a task.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>

#include "tests/core/core_session.h"

namespace qb::test {
namespace {

/// Records the connection states in the order they are announced.
class StateRecorder final : public MirrorObserver {
 public:
  explicit StateRecorder(const EqualizerMirror& mirror) : m_mirror(mirror) {}
  void MirrorChanged(const Change& change) override {
    if (change.Has(kAspectConnection)) states.push_back(m_mirror.session.connection);
  }
  std::vector<ConnectionState> states;

 private:
  const EqualizerMirror& m_mirror;
};

TEST(BoxSessionTest, ConnectingGoesThroughReadingToConnectedAndDisconnectingTellsTheBox) {
  CoreSession s;
  StateRecorder recorder(s.core.Mirror());
  s.core.Changes().Subscribe(&recorder);
  ASSERT_TRUE(s.Connect());
  EXPECT_EQ(recorder.states, (std::vector<ConnectionState>{ConnectionState::Connecting, ConnectionState::Reading,
                                                           ConnectionState::Connected}));
  EXPECT_TRUE(s.host.Told(SessionNotice::TaskStarted));
  EXPECT_TRUE(s.PumpUntil([&] { return s.host.Told(SessionNotice::TaskEnded); }));
  EXPECT_EQ(s.Live().model, kBoxModel);
  EXPECT_TRUE(s.Link().QueueEnabled());

  s.core.Session().DisconnectDevice();
  EXPECT_EQ(recorder.states.back(), ConnectionState::Disconnected);
  EXPECT_EQ(s.Live().model, -1);
  EXPECT_FALSE(s.Box().State().pcConnected) << "the box is told the PC left";
  s.core.Changes().Unsubscribe(&recorder);
}

TEST(BoxSessionTest, NoBoxAForeignModelAndAnUnplugAreToldToTheFrontEnd) {
  {
    CoreSession s;
    s.Box().Unplug();
    s.core.Session().ConnectDevice(false);
    EXPECT_FALSE(s.host.Told(SessionNotice::ConnectFailed)) << "the start-up attempt is silent";
    s.core.Session().ConnectDevice(true);
    EXPECT_TRUE(s.host.Told(SessionNotice::ConnectFailed));
    EXPECT_EQ(s.core.Session().State(), ConnectionState::Disconnected);
  }
  {
    sim::VirtualBoxConfig config;
    config.model = 12;
    CoreSession s(config);
    s.core.Session().ConnectDevice(false);
    ASSERT_TRUE(s.PumpUntil([&] { return s.host.Told(SessionNotice::DeviceNotMatch); }));
    ASSERT_TRUE(s.PumpUntil([&] { return s.core.Session().State() == ConnectionState::Disconnected; }));
    for (const auto& [notice, value] : s.host.notices) {
      if (notice != SessionNotice::DeviceNotMatch) continue;
      EXPECT_EQ(value, 12);
    }
  }
  {
    CoreSession s;
    ASSERT_TRUE(s.Connect());
    s.core.Session().DevicePlugOut();
    EXPECT_TRUE(s.host.Told(SessionNotice::PlugOut));
    EXPECT_EQ(s.core.Session().State(), ConnectionState::Disconnected);
  }
}

TEST(BoxSessionTest, APlugInWhileATaskRunsConnectsWhenTheTaskHasEndedWithoutWaitingForIt) {
  CoreSession s;
  std::latch release(1);
  std::atomic<bool> finished{false};
  ASSERT_TRUE(s.core.Session().StartTask([&] {
    release.wait();
    finished = true;
  }));
  EXPECT_FALSE(s.core.Session().StartTask([] {})) << "one task at a time";

  s.core.Session().DevicePlugin();  // must return while the task still runs
  EXPECT_TRUE(s.core.Session().TaskRunning());
  EXPECT_FALSE(finished);
  EXPECT_EQ(s.core.Session().State(), ConnectionState::Disconnected);
  EXPECT_FALSE(s.Link().IsDeviceOpen());

  release.count_down();
  ASSERT_TRUE(s.PumpUntil([&] { return s.core.Session().State() == ConnectionState::Connected; }));
  EXPECT_TRUE(finished);
}

// --- a box whose node this user may not open -------------------------------------------------
// The retry timer runs on the test's clock (RecordingHost): each firing is the test's call.

/// Fires the armed open-retry timer until the session stops asking for it; how many fired.
int RunOutRetries(CoreSession& s) {
  int fired = 0;
  while (s.host.retryArmed && fired < 20) {
    s.host.retryArmed = false;
    ++fired;
    s.core.Session().OpenRetryTick();
  }
  return fired;
}

TEST(BoxSessionTest, ABoxRefusedJustAfterItsPlugInConnectsOnceAccessArrivesWithinTheBackoff) {
  CoreSession s;
  s.backend->DenyAccess("/dev/hidraw3", 3);  // udev grants the node after the third try
  s.core.Session().DevicePlugin();
  EXPECT_EQ(s.core.Session().State(), ConnectionState::Connecting) << "nothing waited for the retry";
  EXPECT_TRUE(s.core.Session().OpenRetryPending());
  EXPECT_EQ(RunOutRetries(s), 3);
  ASSERT_TRUE(s.PumpUntil([&] { return s.core.Session().State() == ConnectionState::Connected; }));
  EXPECT_EQ(s.backend->RefusedOpens(), 3);
  EXPECT_FALSE(s.host.Told(SessionNotice::PermissionDenied));
  EXPECT_FALSE(s.host.Told(SessionNotice::ConnectFailed));
}

TEST(BoxSessionTest, ALastingRefusalIsToldOnceWithItsNodeAfterAGrowingBackoffOfAboutTwoSeconds) {
  CoreSession s;
  s.backend->DenyAccess("/dev/hidraw3");
  s.core.Session().ConnectDevice(false);  // the silent start-up attempt: a refusal still speaks
  RunOutRetries(s);
  EXPECT_EQ(s.core.Session().State(), ConnectionState::Disconnected);
  EXPECT_FALSE(s.core.Session().OpenRetryPending());
  ASSERT_EQ(s.host.notices.size(), 1u);
  EXPECT_EQ(s.host.notices.front().first, SessionNotice::PermissionDenied);
  EXPECT_EQ(s.host.details.front(), "/dev/hidraw3");

  const std::vector<int> delays = s.host.retryDelays;
  ASSERT_GE(delays.size(), 2u);
  int total = 0;
  for (std::size_t i = 0; i < delays.size(); ++i) {
    if (i > 0) {
      EXPECT_GT(delays[i], delays[i - 1]) << "each wait is longer";
    }
    total += delays[i];
  }
  EXPECT_GE(total, 1000);
  EXPECT_LE(total, 2000);
  EXPECT_EQ(s.backend->RefusedOpens(), static_cast<int>(delays.size()) + 1);

  // Connecting again starts the backoff afresh.
  s.host.retryDelays.clear();
  s.core.Session().ConnectDevice(true);
  RunOutRetries(s);
  EXPECT_EQ(s.host.retryDelays, delays);
  EXPECT_EQ(s.host.notices.size(), 2u);
}

TEST(BoxSessionTest, AnUnplugDuringTheBackoffEndsItQuietly) {
  CoreSession s;
  s.backend->DenyAccess("/dev/hidraw3");
  s.core.Session().DevicePlugin();
  ASSERT_TRUE(s.host.retryArmed);
  s.core.Session().DevicePlugOut();
  EXPECT_FALSE(s.host.retryArmed) << "the timer is stopped";
  s.core.Session().OpenRetryTick();  // a firing already on its way changes nothing
  EXPECT_EQ(s.backend->RefusedOpens(), 1);
  EXPECT_EQ(s.core.Session().State(), ConnectionState::Disconnected);
  EXPECT_TRUE(s.host.notices.empty());
}

TEST(BoxSessionTest, TheUpgradeTakesTheBoxAndHandsItBack) {
  CoreSession s;
  ASSERT_TRUE(s.Connect());
  s.core.Session().SetUpgrading(true);
  EXPECT_EQ(s.core.Session().State(), ConnectionState::Upgrading);
  s.core.Session().SetUpgrading(false);
  EXPECT_EQ(s.core.Session().State(), ConnectionState::Connected);
}

TEST(ChangeHubTest, ABatchDeliversOnceWithEverythingItGathered) {
  ChangeHub hub;
  RecordingObserver first;
  RecordingObserver second;
  hub.Subscribe(&first);
  hub.Subscribe(&first);  // once only
  hub.Subscribe(&second);
  {
    const ChangeHub::Batch outer(hub);
    hub.Publish(Change{}.Add(kAspectVolume, 2));
    {
      const ChangeHub::Batch inner(hub);
      hub.Publish(Change{}.AddBand(5, 7));
    }
    EXPECT_TRUE(first.changes.empty()) << "nothing before the outermost batch closes";
    hub.Publish(Change{}.Add(kAspectMute, -2));
  }
  ASSERT_EQ(first.changes.size(), 1u);
  const Change& c = first.changes.front();
  EXPECT_TRUE(c.Has(kAspectVolume) && c.Has(kAspectBands) && c.Has(kAspectMute));
  EXPECT_EQ(c.outputs, kAllOutputs);
  EXPECT_EQ(c.band, 7);
  EXPECT_EQ(second.changes.size(), 1u);
  hub.Publish(Change{});  // nothing changed: nobody is told
  EXPECT_EQ(first.changes.size(), 1u);
}

TEST(ChangeHubTest, AnObserverRemovedDuringANoticeIsNotCalledAgain) {
  ChangeHub hub;
  RecordingObserver later;
  struct Remover final : MirrorObserver {
    ChangeHub* hub = nullptr;
    MirrorObserver* victim = nullptr;
    void MirrorChanged(const Change&) override { hub->Unsubscribe(victim); }
  } remover;
  remover.hub = &hub;
  remover.victim = &later;
  hub.Subscribe(&remover);
  hub.Subscribe(&later);
  hub.Publish(Change{}.Add(kAspectAmp));
  EXPECT_TRUE(later.changes.empty());
}

}  // namespace
}  // namespace qb::test
