// DSP queries: one catalogue of (call -> report the box receives, wait asked for, log line),
// plus the send rule of the two queries that may be queued.

#include "devicelink/dsp_queries.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devicelink/link_timing.h"
#include "devicelink/wire_codes.h"
#include "tests/devicelink/command_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using test::Bytes;

class DspQueriesTest : public ::testing::Test {
 protected:
  DspQueriesTest()
      : backend(std::make_shared<test::ScriptedHidBackend>()),
        hid(backend->State()),
        link(backend, LinkTimings{0, 1}) {
    link.OpenHIDDevice();
  }

  /// Makes the box answer every command with one unrelated report.
  void AnswerEveryCommand() {
    hid.onWrite = [this](const Bytes&) {
      hid.QueueReport(
          test::InputReport(test::ReplyFrameBytes(MCU_PACKET, MCU_INIT, OP_UPDATE, {})));
    };
  }

  /// What the query logged before it handed the command to the link: the log up to the
  /// send, without the time line that the send starts with.
  static std::string QueryLogLine(const std::string& file) {
    std::string before = file.substr(0, file.find("SendCtrlCommand\n"));
    if (before.empty()) return before;
    const std::size_t timeLine = before.rfind('\n', before.size() - 2);
    return timeLine == std::string::npos ? "" : before.substr(0, timeLine + 1);
  }

  std::shared_ptr<test::ScriptedHidBackend> backend;
  test::ScriptedHidState& hid;
  DeviceLink link;
};

struct QueryCase {
  const char* name;
  std::function<bool(DeviceLink&)> call;
  std::uint8_t id;
  Bytes payload;
  std::string log;
  std::uint32_t waitMs = kWaitDefaultMs;
};

const std::vector<QueryCase>& QueryCatalogue() {
  static const std::vector<QueryCase> cases = {
      {"Get_Source_Config",
       [](DeviceLink& l) { return Get_Source_Config(l); },
       0,
       {},
       "Get_Source_Config\n",
       kWaitShortQueryMs},
      {"Get_Source", [](DeviceLink& l) { return Get_Source(l); }, 1, {}, "Get_Source\n"},
      {"Get_Main_Volume",
       [](DeviceLink& l) { return Get_Main_Volume(l); },
       2,
       {},
       "Get_Main_Volume -----------------------\n"},
      {"Get_Subwoofer_Volume",
       [](DeviceLink& l) { return Get_Subwoofer_Volume(l); },
       3,
       {},
       "Get_Subwoofer_Volume\n"},
      {"Get_Mute", [](DeviceLink& l) { return Get_Mute(l); }, 4, {}, "Get_Mute\n"},
      {"Get_Filter",
       [](DeviceLink& l) { return Get_Filter(l, 0, 0, 4, 7); },
       5,
       {0, 0, 4, 7},
       "Get_Filter: ch_x(4), ch_y(7), source(0), scene(0)\n"},
      {"Get_EQ",
       [](DeviceLink& l) { return Get_EQ(l, 2, 0, 5, 8, 15); },
       6,
       {2, 0, 5, 8, 15},
       "Get_EQ: band(8), band_end(15), ch(5), source(0), scene(2)\n"},
      {"Get_Delay",
       [](DeviceLink& l) { return Get_Delay(l, 1, 0, 0, 7); },
       7,
       {1, 0, 0, 7},
       "Get_Delay: scene(1), channel(0)\n"},
      {"Get_Trim",
       [](DeviceLink& l) { return Get_Trim(l, 0, 0, 2, 7); },
       8,
       {0, 0, 2, 7},
       "Get_Trim: scene(0), channel(2)\n"},
      {"Get_Mute_Ch",
       [](DeviceLink& l) { return Get_Mute_Ch(l, 0, 0, 0, 7); },
       9,
       {0, 0, 0, 7},
       "Get_Mute_Ch: scene(0), channel(0)\n"},
      {"Get_Phase",
       [](DeviceLink& l) { return Get_Phase(l, 0, 0, 3, 3); },
       10,
       {0, 0, 3, 3},
       "Get_Phase: scene(0), channel(3)\n"},
      {"Get_Mix_Ch",
       [](DeviceLink& l) { return Get_Mix_Ch(l, 0, 5, 0, 7); },
       11,
       {0, 5, 0, 7},
       "Get_Mix_Ch: scene(0), output_channel(0)\n"},
      {"Get_Remap_Ch",
       [](DeviceLink& l) { return Get_Remap_Ch(l, 0, 0, 1, 1); },
       12,
       {0, 0, 1, 1},
       "Get_Remap_Ch: scene(0), output_channel(1)\n"},
      {"Get_CH_Type",
       [](DeviceLink& l) { return Get_CH_Type(l, 0, 0, 0, 7); },
       13,
       {0, 0, 0, 7},
       "Get_CH_Type: scene(0), channel(0), channel_end(7)\n"},
      {"Get_CH_Link",
       [](DeviceLink& l) { return Get_CH_Link(l, 3); },
       14,
       {3},
       "Get_CH_Link: scene(3)\n"},
      {"Get_CH_Lock",
       [](DeviceLink& l) { return Get_CH_Lock(l, 0); },
       15,
       {0},
       "Get_CH_Lock: scene(0)\n"},
      {"Get_All_Bypass",
       [](DeviceLink& l) { return Get_All_Bypass(l, 0, 0, 0, 7); },
       16,
       {0, 0, 0, 7},
       "Get_All_Bypass: scene(0), channel(0)\n"},
      {"Get_PEQ_Reset",
       [](DeviceLink& l) { return Get_PEQ_Reset(l, 0, 0, 0, 7); },
       17,
       {0, 0, 0, 7},
       "Get_PEQ_Reset: scene(0), channel(0)\n"},
      {"Get_PEQ_Bypass",
       [](DeviceLink& l) { return Get_PEQ_Bypass(l, 0, 0, 0, 7); },
       18,
       {0, 0, 0, 7},
       "Get_PEQ_Bypass: scene(0), channel(0)\n"},
      {"Get_Input_Trim",
       [](DeviceLink& l) { return Get_Input_Trim(l, 0, 5, 0, 5); },
       32,
       {0, 5, 0, 5},
       "Get_Input_Trim: scene(0), channel(0) to channel(5)\n"},
      {"Get_Mute_Input_Ch",
       [](DeviceLink& l) { return Get_Mute_Input_Ch(l, 0, 5, 0, 5); },
       33,
       {0, 5, 0, 5},
       "Get_Mute_Input_Ch: scene(0), channel(0)\n"},
      {"Get_Phase_Input_Ch",
       [](DeviceLink& l) { return Get_Phase_Input_Ch(l, 0, 5, 1, 5); },
       34,
       {0, 5, 1, 5},
       "Get_Phase_Input_Ch: scene(0), channel(1)\n"},
      {"Get_Input_EQ",
       [](DeviceLink& l) { return Get_Input_EQ(l, 0, 5, 1, 0, 8); },
       35,
       {0, 5, 1, 0, 8},
       "Get_Input_EQ: ch(1), scene(0)\n"},
      {"Get_Input_Mix_CH_Trim",
       [](DeviceLink& l) { return Get_Input_Mix_CH_Trim(l, 0, 5, 1, 0, 7); },
       36,
       {0, 5, 1, 0, 7},
       "Get_Input_Mix_CH_Trim: scene(0), in_channel(1), out_ch_x(0) to out_ch_y(7)\n"},
      {"Get_Input_Threshold",
       [](DeviceLink& l) { return Get_Input_Threshold(l, 0, 5, true); },
       38,
       {0, 5},
       "Get_Input_Threshold: scene(0), source(5)\n"},
      {"Get_Input_Noise",
       [](DeviceLink& l) { return Get_Input_Noise(l, 0, 5, true); },
       39,
       {0, 5},
       "Get_Input_Noise: ch_x(0) to ch_y(5)\n"},
      {"Get_CH_Trim_Link",
       [](DeviceLink& l) { return Get_CH_Trim_Link(l, 0); },
       48,
       {0},
       "Get_CH_Trim_Link: scene(0)\n"},
      {"Get_CH_Delay_Link",
       [](DeviceLink& l) { return Get_CH_Delay_Link(l, 4); },
       49,
       {4},
       "Get_CH_Delay_Link: scene(4)\n"},
      {"Get_Remote_CH", [](DeviceLink& l) { return Get_Remote_CH(l); }, 50, {}, ""},
      {"Get_Ch_Solo",
       [](DeviceLink& l) { return Get_Ch_Solo(l, 0, 0, 0, 7); },
       52,
       {0, 0, 0, 7},
       "Get_Ch_Solo: scene(0), channel(0) to ch(7)\n"},
      {"Get_Speaker_Config",
       [](DeviceLink& l) { return Get_Speaker_Config(l); },
       53,
       {},
       "Get_Speaker_Config\n"},
      {"Get_Mix_Type",
       [](DeviceLink& l) { return Get_Mix_Type(l, 0, 5); },
       54,
       {0, 5},
       "Get_Mix_Type: scene(0), source(5)\n"},
      {"Get_HPF_Q_Fact_Mode",
       [](DeviceLink& l) { return Get_HPF_Q_Fact_Mode(l, 0, 0, 0, 7); },
       55,
       {0, 0, 0, 7},
       "Get_HPF_Q_Fact_Mode: scene(0), ch_x(0) ch_y(7)\n"},
      {"Get_LPF_Q_Fact_Mode",
       [](DeviceLink& l) { return Get_LPF_Q_Fact_Mode(l, 0, 0, 2, 3); },
       56,
       {0, 0, 2, 3},
       "Get_LPF_Q_Fact_Mode: scene(0), ch_x(2) ch_y(3)\n"},
      {"Get_Factory_Preset",
       [](DeviceLink& l) { return Get_Factory_Preset(l); },
       57,
       {},
       "Get_Speaker_Config\n"},
      {"Get_Setup_Mode",
       [](DeviceLink& l) { return Get_Setup_Mode(l); },
       58,
       {},
       "Get_Speaker_Config\n"},
      {"Get_AUTO_ON", [](DeviceLink& l) { return Get_AUTO_ON(l); }, 59, {}, "Get_AUTO_ON\n"},
      {"Get_Compressor",
       [](DeviceLink& l) { return Get_Compressor(l, 0, 0, 0, 7); },
       62,
       {0, 0, 0, 7},
       "Get_Compressor: scene(0), source(0), ch(0), ch_end(7)\n"},
      {"Get_Amp_Mute", [](DeviceLink& l) { return Get_Amp_Mute(l); }, 63, {}, "Get_Amp_Mute\n"},
      {"Get_InDistort",
       [](DeviceLink& l) { return Get_InDistort(l, 0, 5, 0, 5); },
       64,
       {0, 5, 0, 5},
       "Get_InDistort: scene(0), channel(0)\n"},
      {"Get_OutDistort",
       [](DeviceLink& l) { return Get_OutDistort(l, 0, 0, 0, 7); },
       65,
       {0, 0, 0, 7},
       "Get_OutDistort: scene(0), channel(0)\n"},
      {"Get_Spk_Dist",
       [](DeviceLink& l) { return Get_Spk_Dist(l, 0, 0, 0, 7); },
       67,
       {0, 0, 0, 7},
       "Get_Spk_Dist: scene(0), ch_x(0) ch_y(7)\n"},
      {"Get_Mix_Source",
       [](DeviceLink& l) { return Get_Mix_Source(l); },
       68,
       {},
       "Get_Mix_Source\n"},
      {"Get_Mix_Type2",
       [](DeviceLink& l) { return Get_Mix_Type2(l, 0, 5); },
       131,
       {0, 5},
       "Get_Mix_Type2: scene(0), source(5)\n"},
  };
  return cases;
}

TEST_F(DspQueriesTest, EveryQuerySendsItsFrameWaitsLogsAndHearsTheAnswer) {
  AnswerEveryCommand();
  std::vector<test::CommandRow> rows;
  for (const QueryCase& c : QueryCatalogue())
    rows.push_back({c.name, [&c](DeviceLink& l) { EXPECT_TRUE(c.call(l)); }, c.id, OP_GET, c.payload, c.waitMs,
                    {c.log}});
  // A query logs exactly its own line before the frame goes out.
  test::ExpectEachCommandSendsItsFrame(link, hid, DSP_PACKET, rows,
                                       [](const test::CommandRow& row, const std::string& file) {
                                         EXPECT_EQ(QueryLogLine(file), row.log.front());
                                       });
}

TEST_F(DspQueriesTest, AQueryReportsWhetherTheBoxAnswered) {
  EXPECT_FALSE(Get_Source(link));  // silent box
  EXPECT_EQ(hid.Written().size(), 1u);
  link.CloseHIDDevice(false);
  EXPECT_FALSE(Get_Filter(link, 0, 0, 0, 7));  // closed link: nothing sent
  EXPECT_EQ(hid.Written().size(), 1u);
}

TEST_F(DspQueriesTest, QueuedThresholdAndNoiseQueriesFollowTheSendRule) {
  // Queue disabled: dropped without a word to the box.
  EXPECT_FALSE(Get_Input_Threshold(link, 0, 5, false));
  EXPECT_FALSE(Get_Input_Noise(link, 0, 5, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(hid.Written().empty());

  // Queue enabled: the worker sends them, in order, as queries.
  link.EnableQueue();
  EXPECT_FALSE(Get_Input_Threshold(link, 1, 5, false));
  EXPECT_FALSE(Get_Input_Noise(link, 2, 3, false));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (hid.Written().size() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const std::vector<Bytes> written = hid.Written();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(Bytes(written[0].begin() + 3, written[0].begin() + 9),
            (Bytes{5, DSP_PACKET, DSP_INPUT_THRESHOLD, OP_GET, 1, 5}));
  EXPECT_EQ(Bytes(written[1].begin() + 3, written[1].begin() + 9),
            (Bytes{5, DSP_PACKET, INPUT_NOISE, OP_GET, 2, 3}));
}

}  // namespace
}  // namespace qb
