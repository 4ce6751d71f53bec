#include "devicelink/calibration_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "devicelink/calibration_records.h"
#include "devicelink/link_timing.h"
#include "devicelink/wire_codes.h"
#include "tests/devicelink/command_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_target.h"
#include "tests/support/command_reports.h"
#include "tests/support/scripted_hid.h"
#include "tests/support/scripted_link_test.h"

namespace qb {
namespace {

using test::Bytes;
using test::InputReport;
using test::ReplyFrameBytes;

/// A link over a scripted box with the calibration decoders installed and recorders in the
/// calibration window's and the main window's slots. Waits are capped at 0 ms.
class CalibrationTest : public test::ScriptedLinkTest {
 protected:
  CalibrationTest() : ScriptedLinkTest({CalibrationReplyDecoders()}) {
    link.Register(ReplySlot::CalibrationWindowHandle, &calibrationWindow);
    link.Register(ReplySlot::MainWindowHandle, &mainWindow);
  }

  test::RecordingTarget calibrationWindow;
  test::RecordingTarget mainWindow;
};

// --- commands ---------------------------------------------------------------------------------

TEST_F(CalibrationTest, EachCommandSendsItsFrameWaitsTheDefaultAndLogs) {
  // clang-format off
  test::ExpectEachCommandSendsItsFrame(link, hid, DSP_PACKET, {
      {"start on eight channels", [](DeviceLink& l) { IRC_Ctrl(l, 1, 0x00FF, 2, true); }, 19, OP_SET,
       {1, 0x00, 0xFF, 2}, kWaitDefaultMs, {"IRC_Ctrl: on(1), ircch=0xff, irc_eqmode = 2, syncMode(1)\n"}},
      {"mask is big-endian", [](DeviceLink& l) { IRC_Ctrl(l, 3, 0x1234, 0, true); }, 19, OP_SET,
       {3, 0x12, 0x34, 0}, kWaitDefaultMs, {"IRC_Ctrl: on(3), ircch=0x1234, irc_eqmode = 0, syncMode(1)\n"}},
      {"status", [](DeviceLink& l) { IRC_Get(l); }, 19, OP_GET, {}, kWaitDefaultMs, {"IRC_Get\n"}},
      {"distances", [](DeviceLink& l) { IRC_Get_Distance(l, 0, 7); }, 20, OP_GET, {0, 7}, kWaitDefaultMs,
       {"IRC_Get_Distance from ch(0) to ch_end(7)\n"}},
      {"trims", [](DeviceLink& l) { IRC_Get_Trim(l, 2, 5); }, 21, OP_GET, {2, 5}, kWaitDefaultMs,
       {"IRC_Get_Trim from ch(2) to ch_end(5)\n"}},
      {"correction bands", [](DeviceLink& l) { IRC_Get_EQ(l, 3, 0, 9); }, 22, OP_GET, {3, 0, 9}, kWaitDefaultMs,
       {"IRC_Get_EQ from band(0) to band_end(9), ch(3)\n"}},
      {"speaker sizes", [](DeviceLink& l) { IRC_Get_Spk_Size(l, 0, 5); }, 23, OP_GET, {0, 5}, kWaitDefaultMs,
       {"IRC_Get_Spk_Size from ch(0) to ch_end(5)\n"}},
      {"speaker phases", [](DeviceLink& l) { IRC_Get_Spk_Phase(l, 1, 1); }, 24, OP_GET, {1, 1}, kWaitDefaultMs,
       {"IRC_Get_Spk_Phase from ch(1) to ch_end(1)\n"}},
      {"speaker levels", [](DeviceLink& l) { IRC_Get_Spk_Level(l, 0, 7); }, 25, OP_GET, {0, 7}, kWaitDefaultMs,
       {"IRC_Get_Spk_Level from ch(0) to ch_end(7)\n"}},
      {"spectrum", [](DeviceLink& l) { IRC_Get_Spectrum(l, 4, 10, 19); }, 26, OP_GET, {4, 10, 19}, kWaitDefaultMs,
       {"IRC_Get_Spectrum from band(10) to band_end(19), ch(4)\n"}},
      {"noise levels", [](DeviceLink& l) { IRC_Get_Noise_Level(l, 0, 3); }, 27, OP_GET, {0, 3}, kWaitDefaultMs,
       {"IRC_Get_Noise_Level from ch(0) to ch_end(3)\n"}},
      {"analyser", [](DeviceLink& l) { IRC_Get_RTA(l); }, 28, OP_GET, {}, kWaitDefaultMs, {"IRC_Get_RTA\n"}},
      {"test microphone", [](DeviceLink& l) { IRC_Set_Test_Mic(l, 1, true); }, 29, OP_SET, {1}, kWaitDefaultMs,
       {"IRC_Set_Test_Mic: on(1)\n"}},
      {"test module", [](DeviceLink& l) { IRC_Sel_Test_Module(l, 0x21, true); }, 30, OP_SET, {0x21}, kWaitDefaultMs,
       {"IRC_Sel_Test_Module: Module(0x21), syncMode(1)\n"}},
  });
  // clang-format on
}

TEST_F(CalibrationTest, SettersWithoutSyncFollowTheQueue) {
  link.DisableQueue();
  IRC_Ctrl(link, 1, 0xFF, 0, false);
  IRC_Set_Test_Mic(link, 1, false);
  IRC_Sel_Test_Module(link, 2, false);
  EXPECT_TRUE(hid.Written().empty());
  EXPECT_EQ(link.QueuedCommands(), 0U);
}

TEST_F(CalibrationTest, QueriesReturnWhetherTheBoxAnsweredAndDecodeTheAnswer) {
  EXPECT_FALSE(IRC_Get(link));
  hid.onWrite = [this](const Bytes&) {
    hid.QueueReport(InputReport(ReplyFrameBytes(DSP_PACKET, 19, OP_UPDATE, {10, 0, 0, 100})));
  };
  EXPECT_TRUE(IRC_Get(link));
  const std::vector<ReplyMessage> posted = calibrationWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].number, WM_IRC_REPLY);
  EXPECT_EQ(posted[0].wParam, IRC_RET_TEST_DONE);
  EXPECT_EQ(posted[0].lParam, 100);
}

// --- replies ----------------------------------------------------------------------------------

std::string Fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

/// One posted message as text: "number wParam lParam [record]".
std::string DescribeCalibration(const ReplyMessage& m) {
  std::string s =
      std::to_string(m.number) + " " + std::to_string(m.wParam) + " " + std::to_string(m.lParam);
  if (const auto* f = m.RecordAs<IrcChannelFloatRecord>()) {
    s += " ch(" + std::to_string(f->channel) + "," + Fixed(f->value) + ")";
  } else if (const auto* v = m.RecordAs<IrcChannelValueRecord>()) {
    s += " ch(" + std::to_string(v->channel) + "," + std::to_string(v->value) + ")";
  } else if (const auto* e = m.RecordAs<IrcEqBandRecord>()) {
    s += " eq(" + std::to_string(e->channel) + "," + std::to_string(e->band) + "," +
         std::to_string(e->frequency) + "," + Fixed(e->q) + "," + Fixed(e->gainDb) + ")";
  } else if (const auto* p = m.RecordAs<IrcSpectrumRecord>()) {
    s += " spectrum(" + std::to_string(p->channel) + "," + std::to_string(p->band) + "," +
         Fixed(p->frequencyHz) + "," + Fixed(p->gainDb) + ")";
  } else if (m.record) {
    s += " unexpected record";
  }
  return s;
}

struct CalibrationReplyCase {
  const char* what;
  std::uint8_t id;
  std::uint8_t op;
  Bytes payload;
  std::vector<std::string> posted;  ///< DescribeCalibration() of each message to the calibration window
};

const std::vector<CalibrationReplyCase>& CalibrationReplyCases() {
  // clang-format off
  static const std::vector<CalibrationReplyCase> cases = {
      {"start posts progress", 19, OP_UPDATE, {0, 9, 9, 5}, {"1241 0 5"}},
      {"EQ test posts progress", 19, OP_UPDATE, {5, 9, 9, 60}, {"1241 5 60"}},
      {"RTA update posts byte 1", 19, OP_UPDATE, {7, 3, 9, 60}, {"1241 7 3"}},
      {"EQ data update posts byte 1", 19, OP_UPDATE, {8, 4, 9, 60}, {"1241 8 4"}},
      {"done", 19, OP_UPDATE, {10, 0, 0, 100}, {"1241 10 100"}},
      {"exit", 19, OP_UPDATE, {12, 0, 0, 0, 0}, {"1241 12 0"}},
      {"failure posts its code", 19, OP_UPDATE, {11, 0, 0, 40, 2}, {"1241 11 2"}},
      {"last failure code", 19, OP_UPDATE, {11, 0, 0, 40, 5}, {"1241 11 5"}},
      {"unknown failure code", 19, OP_UPDATE, {11, 0, 0, 40, 7}, {}},
      {"failure without its code", 19, OP_UPDATE, {11, 0, 0, 40}, {}},
      {"unknown status", 19, OP_UPDATE, {13, 0, 0, 40, 0}, {}},
      {"status without progress", 19, OP_UPDATE, {10, 0, 0}, {}},
      {"empty status", 19, OP_UPDATE, {}, {}},
      {"status acknowledgement", 19, OP_ACK, {10, 0, 0, 100}, {}},

      {"distances", 20, OP_UPDATE, {0, 1, 3, 25, 10, 5},
       {"1241 20 0 ch(0,3.25)", "1241 20 0 ch(1,10.05)"}},
      {"distances stop where the frame ends", 20, OP_UPDATE, {0, 7, 3, 25, 10, 5, 9},
       {"1241 20 0 ch(0,3.25)", "1241 20 0 ch(1,10.05)"}},
      {"distance range ending at 255 ends", 20, OP_UPDATE, {254, 255, 1, 0, 2, 50},
       {"1241 20 0 ch(254,1.00)", "1241 20 0 ch(255,2.50)"}},
      {"distance range backwards", 20, OP_UPDATE, {3, 2, 1, 0}, {}},
      {"distance header only", 20, OP_UPDATE, {0, 7}, {}},
      {"distance without last channel", 20, OP_UPDATE, {0}, {}},
      {"distance acknowledgement", 20, OP_ACK, {0, 0, 1, 0}, {}},

      {"trims are unsigned bytes", 21, OP_UPDATE, {2, 3, 6, 250},
       {"1241 21 0 ch(2,6.00)", "1241 21 0 ch(3,250.00)"}},
      {"trims stop where the frame ends", 21, OP_UPDATE, {0, 200, 1}, {"1241 21 0 ch(0,1.00)"}},

      {"correction bands", 22, OP_UPDATE,
       {1, 0, 1, 0x03, 0xE8, 4, 36, 24, 5, 0x00, 0x64, 1, 50, 18, 0},
       {"1241 22 0 eq(1,0,1000,4.36,6.50)", "1241 22 0 eq(1,1,100,1.50,0.00)"}},
      {"a band cut short is not decoded", 22, OP_UPDATE,
       {1, 4, 5, 0x03, 0xE8, 4, 36, 24, 5, 0x00, 0x64, 1, 50, 18},
       {"1241 22 0 eq(1,4,1000,4.36,6.50)"}},
      {"band header only", 22, OP_UPDATE, {1, 0, 9}, {}},
      {"band header cut short", 22, OP_UPDATE, {1, 0}, {}},

      {"spectrum", 26, OP_UPDATE,
       {0, 3, 4, 0x03, 0xE8, 50, 0xFD, 0xE7, 0x00, 0x64, 0, 2, 0},
       {"1241 26 0 spectrum(0,3,1000.50,-3.25)", "1241 26 0 spectrum(0,4,100.00,2.00)"}},
      {"spectrum band cut short", 26, OP_UPDATE, {0, 0, 9, 0x03, 0xE8, 50, 0xFD}, {}},
      {"spectrum range ending at 255 ends", 26, OP_UPDATE,
       {2, 255, 255, 0x00, 0x10, 0, 1, 0}, {"1241 26 0 spectrum(2,255,16.00,1.00)"}},

      {"speaker sizes", 23, OP_UPDATE, {0, 2, 1, 0, 2},
       {"1241 23 0 ch(0,1)", "1241 23 0 ch(1,0)", "1241 23 0 ch(2,2)"}},
      {"speaker phases", 24, OP_UPDATE, {4, 5, 1, 0}, {"1241 24 0 ch(4,1)", "1241 24 0 ch(5,0)"}},
      {"speaker levels", 25, OP_UPDATE, {0, 0, 90}, {"1241 25 0 ch(0,90)"}},
      {"noise levels are unsigned bytes", 27, OP_UPDATE, {6, 7, 200, 255},
       {"1241 27 0 ch(6,200)", "1241 27 0 ch(7,255)"}},
      {"levels stop where the frame ends", 25, OP_UPDATE, {0, 255, 1, 2},
       {"1241 25 0 ch(0,1)", "1241 25 0 ch(1,2)"}},
      {"levels header only", 27, OP_UPDATE, {0, 7}, {}},
      {"levels as acknowledgement", 23, OP_ACK, {0, 0, 1}, {}},
  };
  // clang-format on
  return cases;
}

/// Runs the table's decoder of `id` on a frame held in a buffer of exactly its size, so a
/// read past the frame is caught by the address sanitiser. False when there is no decoder.
bool DecodeCalibration(DeviceLink& link, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  return test::DecodeWithTable(CalibrationReplyDecoders(), link, DSP_PACKET, id, op, payload);
}

TEST_F(CalibrationTest, EachReplyPostsItsRecordsToTheCalibrationWindow) {
  for (const CalibrationReplyCase& c : CalibrationReplyCases()) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(DecodeCalibration(link, c.id, c.op, c.payload));
    std::vector<std::string> posted;
    for (const ReplyMessage& m : calibrationWindow.Take()) posted.push_back(DescribeCalibration(m));
    EXPECT_EQ(posted, c.posted);
    EXPECT_TRUE(mainWindow.Take().empty());
  }
}

TEST_F(CalibrationTest, OnlyTheCalibrationRepliesHaveDecodersHere) {
  // The analyser report is not decoded, and the other DSP replies belong to other tables.
  EXPECT_FALSE(DecodeCalibration(link, DSP_IRC_RTA, OP_UPDATE, {0, 0}));
  for (const CommandDecoderEntry& entry : CalibrationReplyDecoders()) {
    EXPECT_EQ(entry.packetType, DSP_PACKET);
    EXPECT_GE(entry.commandId, DSP_IRC_CTRL);
    EXPECT_LE(entry.commandId, DSP_IRC_NOISE_LEVEL);
  }
}

TEST_F(CalibrationTest, RepliesWithoutACalibrationWindowAreDropped) {
  link.Unregister(&calibrationWindow);
  DecodeCalibration(link, 20, OP_UPDATE, {0, 1, 3, 25, 10, 5});
  DecodeCalibration(link, 19, OP_UPDATE, {10, 0, 0, 100});
  EXPECT_TRUE(calibrationWindow.Take().empty());
  EXPECT_TRUE(mainWindow.Take().empty());
}

TEST_F(CalibrationTest, RepliesAreLoggedWithTheirStatusAndValues) {
  struct Case {
    std::uint8_t id;
    Bytes payload;
    std::vector<const char*> lines;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {19, {11, 0, 0, 40, 2},
       {"DSP_IRC_CTRL Update Status = 0xb, progress = 40\n",
        "IRC_RET_TEST_FAIL->IRC_FAIL_NO_SPEAKER\n"}},
      {19, {6, 0, 0, 70},
       {"DSP_IRC_CTRL Update Status = 0x6, progress = 70\n", "IRC_RET_SPEAKER_RTA_TEST\n"}},
      {20, {0, 0, 3, 25},
       {"DSP_IRC_DISTANCE Update from ch(0) to ch_end(0) \n", "ch(0), distance(3.250000)\n"}},
      {21, {1, 2, 3, 4}, {"IRC_CH_TRIM Update from ch(1) to ch_end(2) \n"}},
      {22, {1, 0, 0, 0x03, 0xE8, 4, 36, 24, 5},
       {"DSP_IRC_EQ Update from ch(1) from band(0) to band_end(0) \n",
        "band(0), freq(1000), Q(4.36), Gain(6.50)\n"}},
      {26, {0, 3, 3, 0x03, 0xE8, 50, 0xFD, 0xE7},
       {"DSP_IRC_SPECTRUM Update from band(3) to band_end(3), ch(0)\n",
        "band(3), freq(1000.500000), Gain(-3.250000)\n"}},
      {23, {0, 0, 2},
       {"Get DSP_IRC_SPK_SIZE Update from ch(0) to ch_end(0)\n", "ch(0), size(2)\n"}},
      {24, {0, 0, 1},
       {"Get DSP_IRC_SPK_PHASE Update from ch(0) to ch_end(0)\n", "ch(0), phase(1)\n"}},
      {25, {0, 0, 9},
       {"Get DSP_IRC_SPK_LEVEL Update from ch(0) to ch_end(0)\n", "ch(0), spk_level(9)\n"}},
      {27, {0, 0, 40},
       {"Get DSP_IRC_NOISE_LEVEL Update from ch(0) to ch_end(0)\n", "ch(0), noise level(40)\n"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.id});
    test::LogCapture log;
    DecodeCalibration(link, c.id, OP_UPDATE, c.payload);
    const std::string file = log.File();
    for (const char* line : c.lines) EXPECT_NE(file.find(line), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace qb
