#include "devicelink/dsp_setters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devicelink/device_link.h"
#include "devicelink/link_timing.h"
#include "tests/devicelink/command_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/command_reports.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using L = DeviceLink&;
using U8s = std::vector<std::uint8_t>;
using Floats = std::vector<float>;
using Call = std::function<void(DeviceLink&)>;

constexpr std::uint8_t kDsp = 1;
constexpr std::uint8_t kSetterOp = 0xBB;

/// A link to a scripted box that never answers; waits are capped to nothing.
class SetterTest : public ::testing::Test {
 protected:
  SetterTest()
      : backend(std::make_shared<test::ScriptedHidBackend>()),
        hid(backend->State()),
        link(backend, LinkTimings{/*waitCapMs*/ 0, /*readSliceMs*/ 1}) {
    link.SetLinkConfig(79, 8, 6, false, false);
  }

  void Open() {
    link.OpenHIDDevice();
    ASSERT_TRUE(link.IsDeviceOpen());
  }

  std::shared_ptr<test::ScriptedHidBackend> backend;
  test::ScriptedHidState& hid;
  DeviceLink link;
};

/// The 65-byte report a DSP_PACKET OP_SET command with `payload` must become.
Bytes ExpectedSetterReport(std::uint8_t id, const Bytes& payload) { return test::CommandReport(kDsp, id, kSetterOp, payload); }

/// A setter called with immediate set: an OP_SET frame of command `id`.
test::CommandRow Setter(const char* what, Call call, std::uint8_t id, Bytes payload,
                        std::uint32_t waitMs = kWaitDefaultMs) {
  return {what, std::move(call), id, kSetterOp, std::move(payload), waitMs};
}

/// `header` followed by `count` bytes counting up from `start`.
Bytes Counting(Bytes header, std::size_t count, int start = 0) {
  for (std::size_t i = 0; i < count; ++i) header.push_back(static_cast<std::uint8_t>(start + i));
  return header;
}

// --- the whole catalogue, sent at once -----------------------------------------------------------

TEST_F(SetterTest, EverySetterSendsItsPayloadUnderItsIdAndWaitsAsLongAsItsKindShould) {
  Open();
  // clang-format off
  test::ExpectEachCommandSendsItsFrame(link, hid, kDsp, {
      Setter("Mute_Ch_Ctrl", [](L l) { Mute_Ch_Ctrl(l, 0, 0, 0, 7, U8s{0, 1, 0, 0, 0, 0, 0, 0}, true); }, 9,
             {0, 0, 0, 7, 0, 1, 0, 0, 0, 0, 0, 0}),
      Setter("Phase_Ctrl", [](L l) { Phase_Ctrl(l, 0, 0, 2, 3, U8s{1, 0}, true); }, 10, {0, 0, 2, 3, 1, 0}),
      Setter("CH_Type_Ctrl", [](L l) { CH_Type_Ctrl(l, 0, 0, 0, 1, U8s{0x11, 0x22}, true); }, 13,
             {0, 0, 0, 1, 0x11, 0x22}),
      Setter("PEQ_Bypass_Ctrl", [](L l) { PEQ_Bypass_Ctrl(l, 1, 0, 4, 4, U8s{1}, true); }, 18, {1, 0, 4, 4, 1}),
      Setter("Input_Trim_Ctrl", [](L l) { Input_Trim_Ctrl(l, 0, 5, 0, 5, U8s{1, 2, 3, 4, 5, 0xF6}, true); }, 32,
             {0, 5, 0, 5, 1, 2, 3, 4, 5, 0xF6}),
      Setter("Mute_Input_Ch_Ctrl", [](L l) { Mute_Input_Ch_Ctrl(l, 0, 2, 0, 1, U8s{1, 1}, true); }, 33,
             {0, 2, 0, 1, 1, 1}),
      Setter("Input_Phase_Ctrl", [](L l) { Input_Phase_Ctrl(l, 0, 5, 1, 2, U8s{0, 1}, true); }, 34,
             {0, 5, 1, 2, 0, 1}),
      Setter("Solo_Ctrl", [](L l) { Solo_Ctrl(l, 0, 0, 6, 7, U8s{1, 0}, true); }, 52, {0, 0, 6, 7, 1, 0}),
      Setter("HPF_Q_Fact_Ctrl", [](L l) { HPF_Q_Fact_Ctrl(l, 0, 0, 0, 0, U8s{2}, true); }, 55, {0, 0, 0, 0, 2}),
      Setter("LPF_Q_Fact_Ctrl", [](L l) { LPF_Q_Fact_Ctrl(l, 0, 0, 7, 7, U8s{3}, true); }, 56, {0, 0, 7, 7, 3}),
      // 12.3456 ms: 12, then 345 thousandths big-endian.
      Setter("Delay_Ctrl", [](L l) { Delay_Ctrl(l, 0, 0, 0, 1, Floats{12.3456f, 1.5f}, true); }, 7,
             {0, 0, 0, 1, 12, 0x01, 0x59, 1, 0x01, 0xF4}),
      // Fine trim off: int(-5.7) = -5.
      Setter("Trim_Ctrl", [](L l) { Trim_Ctrl(l, 0, 0, 0, 1, Floats{-5.7f, 3.0f}, true); }, 8,
             {0, 0, 0, 1, 0xFB, 0x03}),
      // Six inputs: only the low 8 bits of each mask go out.
      Setter("Mix_Ch_Ctrl", [](L l) { Mix_Ch_Ctrl(l, 0, 2, 0, 1, std::vector<std::uint32_t>{0x03, 0x1FF}, true); },
             11, {0, 2, 0, 1, 0x03, 0xFF}),
      Setter("Spk_Dist_Ctrl",
             [](L l) { Spk_Dist_Ctrl(l, 0, 0, 0, 1, std::vector<std::uint16_t>{1234, 65535}, true); }, 67,
             {0, 0, 0, 1, 0x04, 0xD2, 0xFF, 0xFF}),
      Setter("Source_Switch_Ctrl", [](L l) { Source_Switch_Ctrl(l, 0x53, true); }, 1, {0x53}),
      Setter("Main_Volume_Ctrl", [](L l) { Main_Volume_Ctrl(l, -10.7f, true); }, 2, {0xF6}),
      Setter("Subwoofer_Volume_Ctrl", [](L l) { Subwoofer_Volume_Ctrl(l, -3, true); }, 3, {0xFD}),
      Setter("Mute_Ctrl", [](L l) { Mute_Ctrl(l, 1, true); }, 4, {1}),
      Setter("Input_Ch_Threshold_Ctrl", [](L l) { Input_Ch_Threshold_Ctrl(l, -60, true); }, 38, {0xC4}),
      Setter("One_Byte_Setting_Ctrl", [](L l) { One_Byte_Setting_Ctrl(l, 7, true); }, 51, {7}),
      Setter("Speaker_Config_Ctrl", [](L l) { Speaker_Config_Ctrl(l, 2, true); }, 53, {2}),
      Setter("Amp_Mute_Ctrl", [](L l) { Amp_Mute_Ctrl(l, 1, true); }, 63, {1}),
      Setter("Mix_Source_Switch_Ctrl", [](L l) { Mix_Source_Switch_Ctrl(l, 5, true); }, 68, {5}),
      Setter("CH_Lock_Ctrl", [](L l) { CH_Lock_Ctrl(l, 0, 1, true); }, 15, {0, 1}),
      Setter("Auto_Effect_Ctrl", [](L l) { Auto_Effect_Ctrl(l, 3, 1, true); }, 59, {3, 1}),
      Setter("Two_Byte_Setting_Ctrl", [](L l) { Two_Byte_Setting_Ctrl(l, 2, 9, true); }, 60, {2, 9}),
      Setter("Sel_Remote_CH_Ctrl", [](L l) { Sel_Remote_CH_Ctrl(l, 0x0102, true); }, 50, {0x01, 0x02}),
      Setter("Mix_Type_Ctrl", [](L l) { Mix_Type_Ctrl(l, 0, 5, 2, true); }, 54, {0, 5, 2}),
      Setter("Mix_Type2_Ctrl", [](L l) { Mix_Type2_Ctrl(l, 0, 5, 3, true); }, 131, {0, 5, 3}),
      // The channel argument is not part of the payload.
      Setter("DSP_Bypass_Ctrl", [](L l) { DSP_Bypass_Ctrl(l, 0, 1, 6, 1, true); }, 16, {0, 1, 1}),
      Setter("Factory_Preset_Ctrl", [](L l) { Factory_Preset_Ctrl(l, 2); }, 57, {2}, kWaitPresetMs),
      Setter("Setup_Mode_Ctrl", [](L l) { Setup_Mode_Ctrl(l, 1); }, 58, {1}, kWaitPresetMs),
      // Family (2) goes before the frequency although it is the last argument.
      Setter("Filter_Ctrl", [](L l) { Filter_Ctrl(l, 0, 0, 3, 1, 80, 4, 2, true); }, 5, {0, 0, 3, 1, 2, 0x00, 0x50, 4}),
      // 1000 Hz, Q 4.36 -> 4, 3, gain +6.5 -> 24, 5.
      Setter("EQ_Ctrl", [](L l) { EQ_Ctrl(l, 0, 0, 2, 5, 1000, 4.36f, 6.5f, true); }, 6,
             {0, 0, 2, 5, 0x03, 0xE8, 4, 3, 24, 5}),
      Setter("Input_EQ_Ctrl",
             [](L l) {
               Input_EQ_Ctrl(l, 0, 5, 1, 2, 3, std::vector<int>{1000, 100}, Floats{2.5f, 0.7f}, Floats{-3.25f, -18.0f},
                             true);
             },
             35, {0, 5, 1, 2, 3, 0x03, 0xE8, 2, 5, 14, 7, 0x00, 0x64, 0, 7, 0, 0}),
      Setter("Input_Mix_Trim_Ctrl", [](L l) { Input_Mix_Trim_Ctrl(l, 0, 2, 1, 0, 2, U8s{10, 20, 30}, true); }, 36,
             {0, 2, 1, 0, 2, 10, 20, 30}),
      Setter("Input_Mix_Trim_Ctrl2", [](L l) { Input_Mix_Trim_Ctrl2(l, 0, 5, 0, 1, 4, U8s{5, 6}, true); }, 40,
             {0, 5, 0, 1, 4, 5, 6}),
      Setter("Remap_Ch_Ctrl", [](L l) { Remap_Ch_Ctrl(l, 0, 0, 3, U8s{1, 2}, 2, true); }, 12, {0, 0, 3, 1, 2}),
      Setter("PEQ_Reset_Ctrl", [](L l) { PEQ_Reset_Ctrl(l, 0, 0, 3, U8s{0, 4, 7}, true); }, 17, {0, 0, 3, 0, 4, 7}),
      Setter("CH_Link_Ctrl", [](L l) { CH_Link_Ctrl(l, 0, 1, 2, U8s{0, 1, 2, 3}, true); }, 14,
             {0, 1, 2, 0, 1, 2, 3}),
      Setter("CH_Trim_Link_Ctrl", [](L l) { CH_Trim_Link_Ctrl(l, 0, 0, 1, U8s{4, 5}, true); }, 48, {0, 0, 1, 4, 5}),
      Setter("CH_Delay_Link_Ctrl", [](L l) { CH_Delay_Link_Ctrl(l, 0, 1, 1, U8s{6, 7}, true); }, 49,
             {0, 1, 1, 6, 7}),
      // Threshold -20.5 dB -> 79, 5; ratio 4 -> 4, 0; knee 2.5 -> 2, 5; attack 10; release 500.
      Setter("Compressor_Ctrl", [](L l) { Compressor_Ctrl(l, 0, 0, 2, 0, -20.5f, 4.0f, 10, 500, 2.5f, true); }, 62,
             {0, 0, 2, 0, 79, 5, 4, 0, 2, 5, 0x00, 0x0A, 0x01, 0xF4}),
  });
  // clang-format on
}

// --- the send rule
// --------------------------------------------------------------------------------

TEST_F(SetterTest, AQueuedSetterIsSentByTheWorkerAndADisabledQueueDropsIt) {
  Open();
  const U8s mutes{0, 1, 0, 0, 0, 0, 0, 0};

  link.DisableQueue();
  Mute_Ch_Ctrl(link, 0, 0, 0, 7, mutes, false);
  EXPECT_EQ(link.QueuedCommands(), 0u);
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(hid.Written().empty());

  link.EnableQueue();
  Mute_Ch_Ctrl(link, 0, 0, 0, 7, mutes, false);
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (hid.Written().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  const std::vector<Bytes> written = hid.Written();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], ExpectedSetterReport(9, {0, 0, 0, 7, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(written[0][3], 15);
  // Neither call went out on the caller's thread.
  EXPECT_EQ(link.LastRequestedWaitMs(), 0u);
}

TEST_F(SetterTest, TheSurroundBlockIsOnlyEverQueued) {
  Open();
  std::array<std::uint8_t, kCsAutoBlockBytes> block{};
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i + 1);

  CS_Auto_Ctrl(link, block);  // queue disabled: dropped
  EXPECT_EQ(link.QueuedCommands(), 0u);

  link.EnableQueue();
  CS_Auto_Ctrl(link, block);
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (hid.Written().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  const std::vector<Bytes> written = hid.Written();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], ExpectedSetterReport(61, Bytes(block.begin(), block.end())));
  EXPECT_EQ(link.LastRequestedWaitMs(), 0u);
}

// --- ranges and counts that do not fit ----------------------------------------------------------

TEST_F(SetterTest, RangesAndCountsAreCutToTheValuesGivenAndToOneReport) {
  Open();
  const U8s bytes256 = Counting({}, 256);
  const Floats delays256(256, 1.0f);
  const std::vector<int> freqs9(9, 1000);
  const Floats ones9(9, 1.0f);

  Bytes delayPayload{0, 0, 0, 16};  // 17 delays of 3 bytes fill 55 of 57 bytes
  for (int k = 0; k < 17; ++k) delayPayload.insert(delayPayload.end(), {1, 0, 0});
  Bytes eqPayload{0, 0, 0, 0, 7};  // 8 bands of 6 bytes: a ninth would need 59 bytes
  for (int k = 0; k < 8; ++k) eqPayload.insert(eqPayload.end(), {0x03, 0xE8, 1, 0, 19, 0});

  // clang-format off
  test::ExpectEachCommandSendsItsFrame(link, hid, kDsp, {
      Setter("last below first: header only", [](L l) { Mute_Ch_Ctrl(l, 0, 0, 5, 2, U8s{1, 1, 1}, true); }, 9,
             {0, 0, 5, 2}),
      Setter("last below first with first 0 and no values", [](L l) { Trim_Ctrl(l, 0, 0, 1, 0, Floats{}, true); },
             8, {0, 0, 1, 0}),
      Setter("fewer values than channels: last is rewritten",
             [](L l) { Mute_Ch_Ctrl(l, 0, 0, 0, 7, U8s{1, 0, 1}, true); }, 9, {0, 0, 0, 2, 1, 0, 1}),
      Setter("byte range wider than a report: 53 channels",
             [&](L l) { Solo_Ctrl(l, 0, 0, 0, 255, bytes256, true); }, 52, Counting({0, 0, 0, 52}, 53)),
      Setter("delay range wider than a report: 17 channels",
             [&](L l) { Delay_Ctrl(l, 0, 0, 0, 255, delays256, true); }, 7, delayPayload),
      Setter("range at the top of the channel numbers does not wrap",
             [&](L l) { Mute_Ch_Ctrl(l, 0, 0, 250, 255, bytes256, true); }, 9, Counting({0, 0, 250, 255}, 6)),
      Setter("nine input EQ bands: eight fit",
             [&](L l) { Input_EQ_Ctrl(l, 0, 0, 0, 0, 8, freqs9, ones9, ones9, true); }, 35, eqPayload),
      Setter("input EQ bands bounded by the shortest array",
             [&](L l) { Input_EQ_Ctrl(l, 0, 0, 0, 2, 8, freqs9, Floats{1.0f}, ones9, true); }, 35,
             {0, 0, 0, 2, 2, 0x03, 0xE8, 1, 0, 19, 0}),
      Setter("input mix trims with last below first: header only",
             [](L l) { Input_Mix_Trim_Ctrl(l, 0, 0, 1, 3, 2, U8s{9}, true); }, 36, {0, 0, 1, 3, 2}),
      Setter("input mix trims by output: 52 inputs fit",
             [&](L l) { Input_Mix_Trim_Ctrl2(l, 0, 0, 0, 255, 3, bytes256, true); }, 40,
             Counting({0, 0, 0, 51, 3}, 52)),
      Setter("remap count beyond the inputs given", [](L l) { Remap_Ch_Ctrl(l, 0, 0, 3, U8s{1, 2}, 5, true); }, 12,
             {0, 0, 3, 1, 2}),
      Setter("remap count beyond a report", [&](L l) { Remap_Ch_Ctrl(l, 0, 0, 3, bytes256, 200, true); }, 12,
             Counting({0, 0, 3}, 54)),
      Setter("EQ reset count byte follows the channels carried",
             [](L l) { PEQ_Reset_Ctrl(l, 0, 0, 4, U8s{1, 2}, true); }, 17, {0, 0, 2, 1, 2}),
      Setter("link pairs: an odd trailing byte is no pair",
             [](L l) { CH_Link_Ctrl(l, 0, 1, 3, U8s{0, 1, 2, 3, 4}, true); }, 14, {0, 1, 2, 0, 1, 2, 3}),
      Setter("link pairs beyond a report: 27 pairs", [&](L l) { CH_Trim_Link_Ctrl(l, 0, 1, 100, bytes256, true); },
             48, Counting({0, 1, 27}, 54)),
      Setter("link count zero sends the header", [](L l) { CH_Delay_Link_Ctrl(l, 2, 0, 0, U8s{}, true); }, 49,
             {2, 0, 0}),
  });
  // clang-format on

  // A non-empty range without values: nothing at all is sent.
  const std::size_t before = hid.Written().size();
  Phase_Ctrl(link, 0, 0, 0, 7, U8s{}, true);
  EXPECT_EQ(hid.Written().size(), before);
}

// --- layouts that follow the link's configuration
// -------------------------------------------------

TEST_F(SetterTest, TrimWidthFollowsFineTrimAndMaskWidthFollowsTheInputCount) {
  Open();
  const std::vector<std::uint32_t> masks{0x001, 0x002, 0x004, 0x008, 0x010, 0x020, 0x103, 0x3FF};
  /// Sends the masks, or two trims, with the link configured for `inputs` and `fineTrim`.
  const auto mix = [masks](int inputs) {
    return [masks, inputs](L l) {
      l.SetLinkConfig(79, 8, inputs, false, false);
      Mix_Ch_Ctrl(l, 0, 5, 0, 7, masks, true);
    };
  };
  const auto trims = [](bool fineTrim, std::size_t count) {
    return [fineTrim, count](L l) {
      l.SetLinkConfig(79, 8, 6, fineTrim, false);
      Trim_Ctrl(l, 0, 0, count == 2 ? 3 : 0, count == 2 ? 4 : 255,
                count == 2 ? Floats{-5.7f, 3.0f} : Floats(count, -1.0f), true);
    };
  };
  const Bytes narrowMasks{0, 5, 0, 7, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x03, 0xFF};
  const Bytes wideMasks{0,    5,    0,    7,    0x00, 0x01, 0x00, 0x02, 0x00, 0x04,
                        0x00, 0x08, 0x00, 0x10, 0x00, 0x20, 0x01, 0x03, 0x03, 0xFF};
  Bytes fineOverflow{0, 0, 0, 25};  // 26 fine trims of 2 bytes fill 56 of 57 bytes
  for (int k = 0; k < 26; ++k) fineOverflow.insert(fineOverflow.end(), {0xFF, 0x00});

  test::ExpectEachCommandSendsItsFrame(link, hid, kDsp, {
      Setter("6 inputs: one mask byte", mix(6), 11, narrowMasks),
      Setter("8 inputs: one mask byte", mix(8), 11, narrowMasks),
      Setter("9 inputs: two mask bytes", mix(9), 11, wideMasks),
      Setter("10 inputs: two mask bytes", mix(10), 11, wideMasks),
      Setter("fine trim off", trims(false, 2), 8, {0, 0, 3, 4, 0xFB, 0x03}),
      // -5.7 dB: -5 and -70 hundredths, both carrying the sign.
      Setter("fine trim on", trims(true, 2), 8, {0, 0, 3, 4, 0xFB, 0xBA, 0x03, 0x00}),
      Setter("fine trim on, range wider than a report", trims(true, 256), 8, fineOverflow),
  });
}

// --- log lines
// ----------------------------------------------------------------------------------------

struct LogRow {
  const char* name;
  Call call;
  std::string text;
};

/// The console text with each line's "[hh:mm:ss.mmm] " stamp removed; a line without a stamp
/// is kept whole so that the comparison with the file shows it.
std::string WithoutStamps(const std::string& console) {
  std::string text;
  std::size_t start = 0;
  while (start < console.size()) {
    std::size_t end = console.find('\n', start);
    end = end == std::string::npos ? console.size() : end + 1;
    std::string line = console.substr(start, end - start);
    if (line.size() > 15 && line[0] == '[' && line[13] == ']') line.erase(0, 15);
    text += line;
    start = end;
  }
  return text;
}

/// The worker's start line, which may land in the first capture when its thread starts late.
std::string WithoutWorkerStart(std::string text) {
  const std::string start = "McuCmdThread start\n";
  const std::size_t at = text.find(start);
  if (at == std::string::npos) return text;
  const std::size_t lineStart = text.rfind('\n', at);
  const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
  return text.erase(from, at + start.size() - from);
}

TEST_F(SetterTest, LogLinesNameTheChannelsAsTheBoxLogAlwaysHasAndPiecesFormOneStampedLine) {
  const std::vector<LogRow> rows = {
      {"output mute: channel first + k",
       [](DeviceLink& l) {
         Mute_Ch_Ctrl(l, 0, 0, 2, 3, U8s{1, 0}, false);
       },
       "Mute_Ch_Ctrl: scene(0), channel(2), mute(1)\n"
       "Mute_Ch_Ctrl: scene(0), channel(3), mute(0)\n"},
      {"phase: channel k",
       [](DeviceLink& l) {
         Phase_Ctrl(l, 0, 0, 2, 3, U8s{1, 0}, false);
       },
       "Phase_Ctrl: scene(0), channel(0), phase(1)\nPhase_Ctrl: scene(0), channel(1), phase(0)\n"},
      {"channel type: header then hex roles",
       [](DeviceLink& l) {
         CH_Type_Ctrl(l, 0, 0, 4, 5, U8s{0x1A, 2}, false);
       },
       "CH_Type_Ctrl scene(0), source(0), ch_x(4), ch_y(5)\n"
       "CH_Type_Ctrl channel(4) -> t_ch_type(0x1a)\nCH_Type_Ctrl channel(5) -> t_ch_type(0x2)\n"},
      {"trim: range line then values",
       [](DeviceLink& l) {
         Trim_Ctrl(l, 0, 0, 1, 2, Floats{-5.7f, 0.0f}, false);
       },
       "destch_x = 1, dest_chy = 2\nTrim_Ctrl: scene(0), channel(1), trim(-5.70)\n"
       "Trim_Ctrl: scene(0), channel(2), trim(0.00)\n"},
      {"speaker distance: channel k",
       [](DeviceLink& l) { Spk_Dist_Ctrl(l, 0, 0, 3, 3, std::vector<std::uint16_t>{250}, false); },
       "Spk_Dist_Ctrl: scene(0), channel(0), spk_dist(250/100)\n"},
      {"input mix trims: one line",
       [](DeviceLink& l) {
         Input_Mix_Trim_Ctrl(l, 0, 2, 1, 0, 1, U8s{10, 20}, false);
       },
       "Input_Mix_Trim_Ctrl: scene(0), source(2), in_channel(1),out_channel(0 to 1), "
       "out_ch(0)=trim(10), out_ch(1)=trim(20), \n"},
      {"EQ reset: one line, then the next line is stamped again",
       [](DeviceLink& l) {
         PEQ_Reset_Ctrl(l, 0, 0, 2, U8s{3, 4}, false);
         Mute_Ctrl(l, 1, false);
         Source_Switch_Ctrl(l, 0x51, false);
       },
       "PEQ_Reset_Ctrl: scene(0), ch_count(2), ch(3), ch(4), \nSource_Switch_Ctrl: source(0x51)\n"},
      {"delay link",
       [](DeviceLink& l) {
         CH_Delay_Link_Ctrl(l, 1, 1, 1, U8s{0, 1}, false);
       },
       "CH_Delay_Link_Ctrl scene(1), link(1), ch_count(1)\nfrom ch(0) to ch(1)\n"},
      {"threshold: the signed value sent",
       [](DeviceLink& l) { Input_Ch_Threshold_Ctrl(l, -200, false); },
       "Input_Ch_Threshold_Ctrl:threshold(-128)\n"},
      {"second mix type logs under the first one's name",
       [](DeviceLink& l) { Mix_Type2_Ctrl(l, 0, 5, 3, false); },
       "Mix_Type_Ctrl: scene(0), source(5), type(3)\n"},
      {"a cut range says so and logs only what is sent",
       [](DeviceLink& l) { Mute_Ch_Ctrl(l, 0, 0, 0, 7, U8s{1}, false); },
       "Mute_Ch_Ctrl: channel(0) to (7) cut to (0) to (0)\n"
       "Mute_Ch_Ctrl: scene(0), channel(0), mute(1)\n"},
      {"compressor: silent",
       [](DeviceLink& l) { Compressor_Ctrl(l, 0, 0, 0, 0, 0.0f, 1.0f, 0, 0, 0.0f, false); }, ""},
  };
  for (const LogRow& row : rows) {
    SCOPED_TRACE(row.name);
    test::LogCapture log;
    row.call(link);  // queue disabled: only the setters' own lines are written
    const std::string console = WithoutWorkerStart(log.Console());
    EXPECT_EQ(WithoutWorkerStart(log.File()), row.text);
    EXPECT_EQ(WithoutStamps(console), row.text);
    EXPECT_EQ(console.size() - row.text.size(),
              15 * static_cast<std::size_t>(std::count(row.text.begin(), row.text.end(), '\n')));
  }
}

}  // namespace
}  // namespace qb
