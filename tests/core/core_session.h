#pragma once
// The core against a virtual box, without a display: the session connected and read out,
// its messages pumped on the test's thread as a front end would, and the notices it tells
// recorded.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/core_test_access.h"
#include "core/box_reads.h"
#include "core/equalizer_manager.h"
#include "core/message_queue.h"
#include "simulator/virtual_hid.h"
#include "tests/support/mirror_box_compare.h"

namespace qb::test {

class RecordingHost final : public SessionHost {
 public:
  void OnNotice(SessionNotice notice, int value, std::string_view detail) override {
    notices.push_back({notice, value});
    details.emplace_back(detail);
  }
  void StartMainVolumeTimer() override { ++timerStarts; }
  void StopMainVolumeTimer() override { ++timerStops; }
  /// The open-retry timer runs on the test's clock: it records each delay asked for, and
  /// the test decides when the time has come.
  bool StartOpenRetryTimer(int delayMs) override {
    retryDelays.push_back(delayMs);
    retryArmed = true;
    return true;
  }
  void StopOpenRetryTimer() override { retryArmed = false; }
  bool Told(SessionNotice notice) const {
    for (const auto& n : notices)
      if (n.first == notice) return true;
    return false;
  }

  std::vector<std::pair<SessionNotice, int>> notices;
  std::vector<std::string> details;  ///< each notice's detail, in the same order
  std::vector<int> retryDelays;
  bool retryArmed = false;
  int timerStarts = 0;
  int timerStops = 0;
};

/// Counts the change notices and remembers the last one.
class RecordingObserver final : public MirrorObserver {
 public:
  void MirrorChanged(const Change& change) override {
    changes.push_back(change);
  }
  std::vector<Change> changes;
};

class CoreSession {
 public:
  explicit CoreSession(sim::VirtualBoxConfig config = {}, LinkTimings timings = LinkTimings{300, 20})
      : backend(sim::MakeVirtualBoxBackend(config)), core(backend, timings) {
    core.Attach(&queue, &host);
  }
  /// A second program on the same box: its own link, mirror and messages, as a program
  /// started now would open the box another session has open.
  CoreSession(std::shared_ptr<sim::VirtualHidBackend> sameBox, LinkTimings timings = LinkTimings{300, 20})
      : backend(std::move(sameBox)), core(backend, timings) {
    core.Attach(&queue, &host);
  }
  ~CoreSession() {
    core.Session().DisconnectDevice();
    core.Session().WaitForTask();
    Pump();
  }

  sim::VirtualBox& Box() { return *backend->Box(); }
  Profile& Live() { return CoreTestAccess::Live(core); }
  EqualizerMirror& Mirror() { return CoreTestAccess::Mirror(core); }
  DeviceLink& Link() { return CoreTestAccess::Link(core); }

  /// Hands every message already posted to the core.
  void Pump() {
    while (auto message = queue.Take(std::chrono::milliseconds(0))) core.HandleMessage(*message);
  }

  /// Pumps until `done` holds or `ms` pass.
  bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (auto message = queue.Take(std::chrono::milliseconds(1))) core.HandleMessage(*message);
    }
    return true;
  }

  bool Connect() {
    core.Session().ConnectDevice(false);
    return PumpUntil([this] { return core.Session().State() == ConnectionState::Connected; });
  }

  /// Connected to a box that copies linked pairs as the real one does, read out, and from
  /// then on answering at once: a random session measures the program, not a cable.
  bool StartAtFullSpeed() {
    Box().AddExtension(std::make_unique<LinkCopyExtension>());
    if (!Connect() || !Drain()) return false;
    Box().SetLatency(std::chrono::microseconds(0));
    return true;
  }

  /// Every queued command sent and answered, and every posted message applied.
  bool Drain(int ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      Pump();
      if (Link().UnfinishedCommands() == 0 && queue.Size() == 0) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
  }

  std::shared_ptr<sim::VirtualHidBackend> backend;
  MessageQueue queue;
  RecordingHost host;
  EqualizerManager core;
};

/// A program started now on the box `session` has open: a second connection, read out as
/// at start and asked which scene is current, the way the scene window asks. Null when it
/// could not connect. The first session must be idle: the two connections share the box's
/// reports, and a connection reads only what answers its own commands.
inline std::unique_ptr<CoreSession> ReadAfresh(CoreSession& session) {
  auto fresh = std::make_unique<CoreSession>(session.backend);
  if (!fresh->Connect() || !fresh->Drain()) return nullptr;
  fresh->core.Scenes().AttachWindow(&fresh->queue);
  if (!fresh->core.Scenes().AskCurrentScene() || !fresh->Drain()) return nullptr;
  return fresh;
}

/// Reads stored scene `scene` (1..10) into the mirror of `fresh`, as a whole-configuration
/// save does.
inline bool ReadStoredSceneAfresh(CoreSession& fresh, int scene) {
  PerOutput<int> bands{};
  for (int o = 0; o < kOutputCount; ++o) bands[At(o)] = EqSize(fresh.Live(), o);
  ReadStoredScene(fresh.Link(), static_cast<std::uint8_t>(scene), bands);
  return fresh.Drain();
}

/// Ends a program ReadAfresh started. Its goodbye to the box is answered after it has
/// closed; a handle opened and dropped at once makes the box forget that answer, which
/// the idle session would otherwise take for the answer of its own next command.
inline void CloseAfresh(std::unique_ptr<CoreSession> fresh, CoreSession& session) {
  fresh.reset();
  session.Box().Connect();
}

/// Answers every question with `answer`, and records which were asked.
struct ScriptedConfirm {
  bool answer = true;
  std::vector<Question> asked;
  Confirm Get() {
    return [this](Question q) {
      asked.push_back(q);
      return answer;
    };
  }
};

/// A connected session for the editing rules; after each case the box must hold what the
/// mirror holds. The virtual box is taught to copy a linked pair's settings, as the real
/// box does.
class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.Box().AddExtension(std::make_unique<LinkCopyExtension>());
    ASSERT_TRUE(s.Connect());
  }
  void TearDown() override {
    ASSERT_TRUE(s.Drain());
    EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");
  }
  OutputChannel& Ch(int o) { return s.Live().channels[At(o)]; }

  CoreSession s;
};

}  // namespace qb::test
