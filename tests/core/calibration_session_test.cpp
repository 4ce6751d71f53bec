// The calibration rules against the virtual box: a run through the core's session, its
// reports as a front end receives them, and the result applied to the box and read back.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/calibration_session.h"
#include "devicelink/calibration_records.h"
#include "devicelink/wire_codes.h"
#include "tests/core/core_session.h"

namespace qb::test {
namespace {

constexpr CalibrationTimings kFast{std::chrono::milliseconds(1)};

/// A connected core with a calibration whose reports land in a queue of their own.
class CalibrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.Connect());
    cal.Attach(&reports);
  }
  // A test that closed the calibration has no session left to detach.
  void TearDown() override {
    if (s.core.Calibration()) cal.Attach(nullptr);
  }

  /// Hands the calibration's messages to it until `done` holds; every update is kept.
  bool RunUntil(const std::function<bool()>& done, int ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      s.Pump();
      if (auto m = reports.Take(std::chrono::milliseconds(1))) {
        updates.push_back(cal.Handle(*m));
        if (m->number == WM_IRC_THREAD_ENDED) ended = static_cast<CalibrationEnd>(m->wParam);
      }
    }
    return true;
  }
  bool RunToThreadEnd() {
    ended.reset();
    return RunUntil([this] { return ended.has_value(); });
  }
  std::vector<std::string> Tips() const {
    std::vector<std::string> tips;
    for (const auto& u : updates)
      if (!u.tips.empty() && (tips.empty() || tips.back() != u.tips)) tips.push_back(u.tips);
    return tips;
  }
  std::size_t Sent(std::uint8_t id, std::uint8_t op) {
    const auto commands = s.Box().Commands();
    return static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(), [&](const sim::BoxCommand& c) {
      return c.packetType == DSP_PACKET && c.commandId == id && c.opType == op;
    }));
  }

  /// Chooses the outputs (bit n = output n) and the target, then starts.
  CalibrationSession::StartResult Start(std::uint16_t outputs, int eqMode) {
    for (int n = 0; n < kCalibrationChannels; ++n) cal.SetOutput(n, (outputs >> n & 1u) != 0);
    cal.SetEqMode(eqMode);
    return cal.Start();
  }

  CoreSession s;
  MessageQueue reports;
  CalibrationSession& cal = s.core.OpenCalibration(kFast);
  std::vector<CalibrationUpdate> updates;
  std::optional<CalibrationEnd> ended;
};

TEST_F(CalibrationTest, ACompleteRunOfThreeOutputsIsFetchedShownAndAppliedToTheMirror) {
  s.Box().ClearCommands();
  ASSERT_EQ(Start(0b1011, 0), CalibrationSession::StartResult::Started);
  ASSERT_TRUE(RunToThreadEnd());
  EXPECT_EQ(*ended, CalibrationEnd::Finished);
  EXPECT_EQ(Tips(), (std::vector<std::string>{"${detect_speaker}", "${detect_level}", "${detect_location}",
                                              "${adjust_ch_volume}", "${compensate_eq}", "${test_freq_response}",
                                              "${irc_completed}"}));
  EXPECT_TRUE(cal.Done());
  EXPECT_EQ(Sent(DSP_IRC_SPECTRUM, OP_GET), 3u * 14);
  EXPECT_EQ(Sent(DSP_IRC_EQ, OP_GET), 3u * 2);

  // Each output's measured curve is drawn once, when its last point arrives; its
  // correction when band 10 does; its distance is shown.
  std::vector<int> measured, corrected, distances;
  for (const auto& u : updates) {
    if (u.measuredChanged >= 0) measured.push_back(u.measuredChanged);
    if (u.correctionChanged >= 0) corrected.push_back(u.correctionChanged);
    if (u.distanceChannel >= 0) distances.push_back(u.distanceChannel);
  }
  EXPECT_EQ(measured, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(corrected, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(distances, (std::vector<int>{0, 1, 3}));  // not 2, which was not measured

  // What the core holds is what the box measured and computed.
  s.Box().InspectCalibration([&](const sim::CalibrationSequence& box) {
    for (int ch : {0, 1, 3}) {
      const auto& points = cal.Data().MeasuredPoints(ch);
      EXPECT_NEAR(points[60].gainDb, (*box.Measured(ch))[60], 0.011);
      EXPECT_EQ(points[120].freqHz, 20000);
      for (std::size_t b = 0; b < sim::kCorrectionBands; ++b)
        EXPECT_EQ(cal.Data().CorrectionBands(ch)[b].freq, (*box.CorrectionOf(ch))[b].freqHz);
    }
  });
  // The prediction is the measurement plus the correction: much closer to the target.
  const auto spread = [this](const MeasuredCurve& c) {
    double lo = 1e9, hi = -1e9;
    for (std::size_t i = 30; i < 100; ++i) {
      const double off = c[i] - TargetDbAt(TargetTable::A, cal.Data().MeasuredFrequencies(1)[i]);
      lo = std::min(lo, off);
      hi = std::max(hi, off);
    }
    return hi - lo;
  };
  EXPECT_LT(spread(cal.Data().PredictedLevels(1)), spread(cal.Data().MeasuredLevels(1)) / 2);

  ASSERT_TRUE(cal.Apply());
  EXPECT_FALSE(cal.Apply());  // once only
  // Closing reads back what the box now holds.
  const int firstBand = cal.Data().CorrectionBands(1)[0].freq;
  cal.Attach(nullptr);
  ASSERT_EQ(s.core.CloseCalibration(), EqualizerManager::CalibrationClose::ReadBack);
  ASSERT_TRUE(s.PumpUntil([this] { return !s.core.Session().Busy(); }));
  ASSERT_TRUE(s.Drain());
  EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");
  EXPECT_EQ(s.Live().channels[1].bands[0].freq, firstBand);
}

TEST_F(CalibrationTest, OnlyOutputsWithASpeakerCanBeChosenAndChoicesHoldDuringARun) {
  // Output 3 was chosen when the calibration opened; then its speaker goes.
  s.core.Routing().SetRole(2, kRoleEmpty);
  EXPECT_FALSE(cal.SetOutput(2, true)) << "no speaker, nothing to measure";
  for (int n = 0; n < kCalibrationChannels; ++n)
    if (n != 2) cal.SetOutput(n, false);
  EXPECT_EQ(cal.Start(), CalibrationSession::StartResult::NoOutput) << "a choice whose speaker went is not measured";
  ASSERT_EQ(Start(0b1, 0), CalibrationSession::StartResult::Started);
  EXPECT_FALSE(cal.SetOutput(1, true)) << "the run measures what it started with";
  EXPECT_FALSE(cal.SetModule(kIrcModuleEq, false));
  EXPECT_FALSE(cal.SetEqMode(1));
  ASSERT_TRUE(RunToThreadEnd());
  EXPECT_EQ(cal.Channels(), 0b1);
  EXPECT_TRUE(cal.SetOutput(1, true));
}

TEST_F(CalibrationTest, StopEndsTheRunIgnoresLaterReportsAndLeavesNothingToApply) {
  Start(0b1, 0);
  ASSERT_TRUE(RunUntil([this] { return cal.Thread().Status() == IRC_RET_LEVEL_TEST; }));
  cal.Stop();
  ASSERT_TRUE(RunToThreadEnd());
  EXPECT_EQ(*ended, CalibrationEnd::Stopped);
  EXPECT_EQ(updates.back().tips, "${irc_stoped}");
  EXPECT_EQ(Sent(DSP_IRC_CTRL, OP_SET) >= 2, true);  // start and stop
  EXPECT_FALSE(s.Box().Calibration().running);
  ReplyMessage late{WM_IRC_REPLY, IRC_RET_TEST_DONE, 100, nullptr};
  EXPECT_TRUE(cal.Handle(late).tips.empty());
  EXPECT_FALSE(cal.Done());
  EXPECT_FALSE(cal.Apply());
}

TEST_F(CalibrationTest, EachFailureCodeHasItsTextAndAnUnknownOneLeavesThePhaseText) {
  const char* texts[] = {"${irc_failed_level}", "${irc_failed_mic}", "${irc_failed_speaker}",
                         "${irc_failed_delay}", "${irc_failed_ch_volume}", "${irc_failed_eq}"};
  for (std::uint8_t code = 0; code < 6; ++code) {
    s.Box().SetCalibrationConfig(sim::CalibrationConfig{.failureCode = code, .failAtPoll = 2});
    updates.clear();
    Start(0b1, 0);
    ASSERT_TRUE(RunToThreadEnd());
    EXPECT_EQ(updates.back().tips, "") << "the thread's end adds no text";
    EXPECT_EQ(Tips().back(), texts[code]);
    EXPECT_FALSE(cal.Done());
    EXPECT_FALSE(cal.Discard());
  }
  // The decoder drops an unknown code: the run goes on polling until it is stopped.
  s.Box().SetCalibrationConfig(sim::CalibrationConfig{.failureCode = 9, .failAtPoll = 2});
  updates.clear();
  s.Box().ClearCommands();
  Start(0b1, 0);
  ASSERT_TRUE(RunUntil([this] { return Sent(DSP_IRC_CTRL, OP_GET) >= 4; }));
  ASSERT_FALSE(Tips().empty());
  EXPECT_EQ(Tips().back(), "${detect_speaker}");
  cal.Stop();
  ASSERT_TRUE(RunToThreadEnd());
  // Closing without a result tells the box to discard.
  s.Box().ClearCommands();
  EXPECT_EQ(cal.Close(true), 0);
  const auto commands = s.Box().Commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].payload[0], kIrcDiscard);
}

TEST_F(CalibrationTest, WithoutATestModuleNothingStartsAndSaveAfterDiscardSendsNothing) {
  for (int m : {kIrcModuleEq, kIrcModuleDelay, kIrcModulePhase}) cal.SetModule(m, false);
  s.Box().ClearCommands();
  EXPECT_EQ(Start(0b1, 0), CalibrationSession::StartResult::NoModule);
  EXPECT_TRUE(s.Box().Commands().empty());

  cal.SetModule(kIrcModuleEq, true);
  Start(0b1, 1);
  ASSERT_TRUE(RunToThreadEnd());
  EXPECT_EQ(Sent(DSP_IRC_DISTANCE, OP_GET), 0u);  // no location test, no distances
  ASSERT_TRUE(cal.Discard());
  s.Box().ClearCommands();
  EXPECT_FALSE(cal.Apply());
  EXPECT_TRUE(s.Box().Commands().empty());
  EXPECT_EQ(cal.Close(true), 1);  // discarded through its button: the window's result is 1
}

TEST_F(CalibrationTest, UnplugDuringARunEndsItWithoutAHang) {
  Start(0b1, 0);
  ASSERT_TRUE(RunUntil([this] { return s.Box().Calibration().polls >= 2; }));
  s.Box().Unplug();
  s.core.Session().DevicePlugOut();
  ASSERT_TRUE(RunToThreadEnd());
  EXPECT_EQ(*ended, CalibrationEnd::BoxLeft);
  EXPECT_EQ(updates.back().tips, "${irc_box_left}");
  EXPECT_EQ(cal.Close(false), 0);
}

TEST(CalibrationData, ReportsOutsideTheTablesAreDroppedAndCurvesWaitForTheLastBandOrPoint) {
  CalibrationData data;
  const CalibrationData fresh;
  EXPECT_EQ(data.StoreCorrectionBand(8, 0, 100, 2.0f, 3.0f), CalibrationStore::Dropped);
  EXPECT_EQ(data.StoreCorrectionBand(-1, 0, 100, 2.0f, 3.0f), CalibrationStore::Dropped);
  EXPECT_EQ(data.StoreCorrectionBand(0, 31, 100, 2.0f, 3.0f), CalibrationStore::Dropped);
  EXPECT_EQ(data.StoreSpectrumPoint(0, 121, 100.0, 3.0f), CalibrationStore::Dropped);
  EXPECT_EQ(data.StoreSpectrumPoint(8, 0, 100.0, 3.0f), CalibrationStore::Dropped);

  EXPECT_EQ(data.StoreCorrectionBand(2, 5, 100, 2.0f, 6.0f), CalibrationStore::Stored);
  EXPECT_EQ(data.CorrectionCurve(2), fresh.CorrectionCurve(2));
  EXPECT_EQ(data.StoreCorrectionBand(2, 10, 1000, 2.0f, 0.0f), CalibrationStore::CurveChanged);
  EXPECT_NE(data.CorrectionCurve(2), fresh.CorrectionCurve(2));
  EXPECT_EQ(data.CorrectionCurve(1), fresh.CorrectionCurve(1));

  EXPECT_EQ(data.StoreSpectrumPoint(2, 119, 19000.7, -4.0f), CalibrationStore::Stored);
  EXPECT_EQ(data.MeasuredLevels(2)[119], 0.0);
  EXPECT_EQ(data.StoreSpectrumPoint(2, 120, 1e300, -4.0f), CalibrationStore::CurveChanged);
  EXPECT_EQ(data.MeasuredFrequencies(2)[119], 19000.0);
  EXPECT_EQ(data.MeasuredLevels(2)[119], -4.0);
  EXPECT_EQ(data.MeasuredFrequencies(2)[120], 0.0);  // no frequency a box could mean

  data.SetTarget(TargetTable::B);
  EXPECT_NE(data.TargetCurve(0), fresh.TargetCurve(0));
  EXPECT_EQ(data.TargetCurve(0), data.TargetCurve(7));
}

}  // namespace
}  // namespace qb::test
