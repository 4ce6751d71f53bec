// The virtual box's room calibration, driven with raw frames.
#include <gtest/gtest.h>

#include <cmath>

#include "devicelink/value_encoding.h"
#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"
#include "tests/simulator/box_driver.h"

namespace qb::sim::test {
namespace {

std::uint8_t Byte(unsigned v) { return static_cast<std::uint8_t>(v & 0xFF); }

struct Status {
  int status;
  int value;  // progress, output (7, 8) or failure code (11)
};

Status Poll(BoxDriver& d) {
  const Bytes p = d.DspGet(DSP_IRC_CTRL, {});
  if (p.size() < 5) return {-1, -1};
  if (p[0] == IRC_RET_SPEAKER_RTA_UPDATE || p[0] == IRC_RET_EQ_DATA_UPDATE) return {p[0], p[1]};
  if (p[0] == IRC_RET_TEST_FAIL) return {p[0], p[4]};
  return {p[0], p[3]};
}

void Start(BoxDriver& d, std::uint16_t mask, std::uint8_t modules = 7, std::uint8_t eqMode = 0) {
  d.DspSet(DSP_IRC_TEST_MODULE, {modules});
  const Frame started = d.One(DSP_PACKET, DSP_IRC_CTRL, OP_SET, {1, Byte(mask >> 8), Byte(mask), eqMode});
  EXPECT_EQ(started.opType, OP_UPDATE);
}

std::vector<Status> RunToEnd(BoxDriver& d) {
  std::vector<Status> seen;
  for (int i = 0; i < 100; ++i) {
    seen.push_back(Poll(d));
    if (seen.back().status >= IRC_RET_TEST_DONE) break;
  }
  return seen;
}

std::uint8_t Ack(BoxDriver& d, std::uint8_t action) {
  const Frame f = d.DspSet(DSP_IRC_CTRL, {action, 0, 0, 0});
  return f.payload.empty() ? 0 : f.payload[0];
}

}  // namespace

TEST(Calibration, ARunGoesThroughThePhasesAndReportsEachMeasuredOutput) {
  BoxDriver d;
  Start(d, 0b101);
  const auto seen = RunToEnd(d);
  std::vector<int> phases;
  std::vector<int> outputs7, outputs8;
  int progress = 0;
  for (const Status& s : seen) {
    if (s.status >= 1 && s.status <= 6) {
      if (phases.empty() || phases.back() != s.status) phases.push_back(s.status);
      EXPECT_GE(s.value, progress);
      progress = s.value;
    }
    if (s.status == IRC_RET_SPEAKER_RTA_UPDATE) outputs7.push_back(s.value);
    if (s.status == IRC_RET_EQ_DATA_UPDATE) outputs8.push_back(s.value);
  }
  EXPECT_EQ(phases, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(outputs7, (std::vector<int>{0, 2}));
  EXPECT_EQ(outputs8, (std::vector<int>{0, 2}));
  ASSERT_EQ(seen.back().status, IRC_RET_TEST_DONE);
  EXPECT_EQ(seen.back().value, 100);
  EXPECT_EQ(Poll(d).status, IRC_RET_TEST_DONE);  // the result stays reported
  EXPECT_TRUE(d.Box().Calibration().resultWaiting);

  // Without the delay and equaliser modules their phases and equaliser reports are left out.
  Start(d, 0b1, kModulePhase);
  std::vector<int> statuses;
  for (const Status& s : RunToEnd(d)) statuses.push_back(s.status);
  EXPECT_EQ(statuses, (std::vector<int>{1, 1, 2, 2, 4, 4, 6, 6, 7, 9, 10}));
}

TEST(Calibration, TheCorrectionBringsTheMeasuredResponseCloseToTheTarget) {
  for (const std::uint8_t eqMode : {std::uint8_t{0}, std::uint8_t{1}}) {
    BoxDriver d;
    Start(d, 0b10, 7, eqMode);
    RunToEnd(d);
    d.Box().InspectCalibration([&](const CalibrationSequence& c) {
      const auto* measured = c.Measured(1);
      const auto* correction = c.CorrectionOf(1);
      ASSERT_TRUE(measured && correction);
      const OutputRoom room = RoomOfOutput(1);
      const TargetTable target = TargetOfEqMode(eqMode);
      // Deviations from the target, level aside, inside the speaker's range.
      std::vector<double> before, after;
      for (std::size_t i = 0; i < kSpectrumPoints; ++i) {
        const double hz = SpectrumPointHz(i);
        if (hz < room.lowCornerHz * 1.4 || hz > room.highCornerHz / 1.4) continue;
        double corrected = (*measured)[i];
        for (const CorrectionBand& b : *correction) corrected += PeakingDbAt(CurveSampleRate, b.freqHz, b.gainDb, b.q, hz);
        before.push_back((*measured)[i] - TargetDbAt(target, hz));
        after.push_back(corrected - TargetDbAt(target, hz));
      }
      const auto spread = [](const std::vector<double>& v) {
        double mean = 0, sq = 0;
        for (double x : v) mean += x;
        mean /= static_cast<double>(v.size());
        for (double x : v) sq += (x - mean) * (x - mean);
        return std::sqrt(sq / static_cast<double>(v.size()));
      };
      EXPECT_GT(spread(before), 2.5);  // a room worth correcting
      EXPECT_LT(spread(after), spread(before) / 2.5) << "mode " << int(eqMode);
      for (std::size_t b = 1; b < kCorrectionBands; ++b) EXPECT_LE((*correction)[b - 1].freqHz, (*correction)[b].freqHz);
    });
  }
}

TEST(Calibration, SpectrumCorrectionAndDistancesAreAnsweredInTheProgramsLayout) {
  BoxDriver d;
  Start(d, 0b1000);
  RunToEnd(d);
  const Bytes spectrum = d.DspGet(DSP_IRC_SPECTRUM, {3, 117, 120});
  ASSERT_EQ(spectrum.size(), 3u + 4 * 5);
  EXPECT_EQ(Bytes(spectrum.begin(), spectrum.begin() + 3), (Bytes{3, 117, 120}));
  EXPECT_NEAR(*DecodeSpectrumFrequency(ByteView(spectrum).subspan(3 + 3 * 5, 3)), 20000.0, 0.01);
  const Bytes eq = d.DspGet(DSP_IRC_EQ, {3, 6, 10});
  ASSERT_EQ(eq.size(), 3u + 5 * 6);
  d.Box().InspectCalibration([&](const CalibrationSequence& c) {
    const CorrectionBand& band = (*c.CorrectionOf(3))[6];
    EXPECT_EQ(*DecodeFrequency(ByteView(eq).subspan(3, 2)), band.freqHz);
    EXPECT_NEAR(*DecodeEqQ(ByteView(eq).subspan(5, 2)), band.q, 0.005);
    EXPECT_NEAR(*DecodeEqGain(ByteView(eq).subspan(7, 2)), band.gainDb, 0.05);
  });
  // Distances: the measured output has one, the others none.
  const Bytes distances = d.DspGet(DSP_IRC_DISTANCE, {2, 3});
  ASSERT_EQ(distances.size(), 2u + 2 * 2);
  EXPECT_EQ(*DecodeIrcDistance(ByteView(distances).subspan(2, 2)), 0.0);
  EXPECT_NEAR(*DecodeIrcDistance(ByteView(distances).subspan(4, 2)), RoomOfOutput(3).distanceM, 0.005);
}

TEST(Calibration, ApplyWritesTheMeasuredOutputsEqualiserAndDelaysDiscardLeavesThem) {
  BoxDriver d;
  const BoxState before = d.Box().State();
  Start(d, 0b11);
  RunToEnd(d);
  EXPECT_EQ(Ack(d, 3), ACK_READY);
  EXPECT_EQ(d.Box().State(), before);
  EXPECT_EQ(Ack(d, 2), ACK_NOT_READY);  // nothing left to apply
  EXPECT_EQ(d.Box().State(), before);

  Start(d, 0b11);
  RunToEnd(d);
  EXPECT_EQ(Ack(d, 2), ACK_READY);
  const BoxState after = d.Box().State();
  d.Box().InspectCalibration([&](const CalibrationSequence& c) {
    for (int ch : {0, 1}) {
      const auto& bands = after.live.outputs[ch].bands;
      for (std::size_t b = 0; b < kCorrectionBands; ++b) {
        EXPECT_EQ(bands[b].freqHz, (*c.CorrectionOf(ch))[b].freqHz);
        EXPECT_EQ(bands[b].gainDb, (*c.CorrectionOf(ch))[b].gainDb);
      }
      EXPECT_EQ(bands[kCorrectionBands], FlatBand(kCorrectionBands));
    }
  });
  // Output 1 is the farther: output 0 waits for it, output 1 does not wait.
  EXPECT_NEAR(after.live.outputs[0].delayMs, SoundDelayMs(RoomOfOutput(1).distanceM - RoomOfOutput(0).distanceM), 0.006);
  EXPECT_EQ(after.live.outputs[1].delayMs, 0.0);
  EXPECT_EQ(after.live.outputs[2], before.live.outputs[2]);
  EXPECT_EQ(Ack(d, 2), ACK_NOT_READY);
}

TEST(Calibration, FailuresAreReportedFromTheirPollOnAndStopEndsARun) {
  BoxDriver d;
  d.Box().SetCalibrationConfig(CalibrationConfig{.failureCode = IRC_FAIL_DELAY, .failAtPoll = 2});
  Start(d, 0b1);
  EXPECT_EQ(Poll(d).status, IRC_RET_SPK_STATUS_TEST);
  for (int i = 0; i < 2; ++i) {
    const Status s = Poll(d);
    EXPECT_EQ(s.status, IRC_RET_TEST_FAIL);
    EXPECT_EQ(s.value, IRC_FAIL_DELAY);
  }
  EXPECT_EQ(Ack(d, 2), ACK_NOT_READY);

  d.Box().SetCalibrationConfig({});
  // A mask naming none of the box's outputs fails at once: no speaker.
  d.DspSet(DSP_IRC_TEST_MODULE, {7});
  const Bytes refused = d.One(DSP_PACKET, DSP_IRC_CTRL, OP_SET, {1, 0xFF, 0x00, 0}).payload;
  EXPECT_EQ(refused, (Bytes{IRC_RET_TEST_FAIL, 0, 0, 0, IRC_FAIL_NO_SPEAKER}));

  Start(d, 0b1);
  Poll(d);
  EXPECT_EQ(Ack(d, 0), ACK_READY);
  EXPECT_EQ(Poll(d).status, IRC_RET_TEST_EXIT);
  EXPECT_FALSE(d.Box().Calibration().running);
}

}  // namespace qb::sim::test
