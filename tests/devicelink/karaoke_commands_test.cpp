#include "devicelink/karaoke_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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

/// A link over a scripted box with the karaoke decoders installed and a recorder in the
/// main window's slot. Waits are capped at 0 ms.
class KaraokeTest : public test::ScriptedLinkTest {
 protected:
  KaraokeTest() : ScriptedLinkTest({KaraokeReplyDecoders()}) {
    link.Register(ReplySlot::MainWindowHandle, &mainWindow);
  }

  test::RecordingTarget mainWindow;
};

// --- commands ---------------------------------------------------------------------------------

struct CommandCase {
  const char* what;
  std::function<void(DeviceLink&, bool immediate)> call;
  std::uint8_t id;
  std::uint8_t op;
  Bytes payload;
};

const std::vector<CommandCase>& CommandCases() {
  using LinkRef = DeviceLink&;
  // clang-format off
  static const std::vector<CommandCase> cases = {
      {"mic volume", [](LinkRef l, bool i) { KTV_Mic_Vol_Ctrl(l, 30, i); }, 1, OP_SET, {30}},
      {"music volume", [](LinkRef l, bool i) { KTV_Music_Vol_Ctrl(l, 255, i); }, 2, OP_SET, {255}},
      {"howling", [](LinkRef l, bool i) { KTV_Howling_Ctrl(l, 1, i); }, 3, OP_SET, {1}},
      {"echo level", [](LinkRef l, bool i) { KTV_Echo_Level_Ctrl(l, 12, i); }, 4, OP_SET, {12}},
      {"echo delay is big-endian", [](LinkRef l, bool i) { KTV_Echo_Delay_Ctrl(l, 500, i); }, 5, OP_SET,
       {0x01, 0xF4}},
      {"longest echo delay", [](LinkRef l, bool i) { KTV_Echo_Delay_Ctrl(l, 65535, i); }, 5, OP_SET,
       {0xFF, 0xFF}},
      {"reverb level", [](LinkRef l, bool i) { KTV_Reverb_Level_Ctrl(l, 7, i); }, 6, OP_SET, {7}},
      {"reverb time", [](LinkRef l, bool i) { KTV_Reverb_Time_Ctrl(l, 8, i); }, 7, OP_SET, {8}},
      {"voice changer", [](LinkRef l, bool i) { KTV_Voice_Changer_Ctrl(l, 3, i); }, 8, OP_SET, {3}},
      {"bass cut", [](LinkRef l, bool i) { KTV_Bass_Gain_Ctrl(l, -3, i); }, 9, OP_SET, {0xFD}},
      {"bass boost beyond a byte is clamped", [](LinkRef l, bool i) { KTV_Bass_Gain_Ctrl(l, 300, i); },
       9, OP_SET, {0x7F}},
      {"treble boost", [](LinkRef l, bool i) { KTV_Treble_Gain_Ctrl(l, 12, i); }, 10, OP_SET, {0x0C}},
      {"treble cut beyond a byte is clamped",
       [](LinkRef l, bool i) { KTV_Treble_Gain_Ctrl(l, -200, i); }, 10, OP_SET, {0x80}},

      {"mic volume query", [](LinkRef l, bool) { Get_KTV_Mic_Vol(l); }, 1, OP_GET, {}},
      {"music volume query", [](LinkRef l, bool) { Get_KTV_Music_Vol(l); }, 2, OP_GET, {}},
      {"howling query", [](LinkRef l, bool) { Get_KTV_Howling(l); }, 3, OP_GET, {}},
      {"echo level query", [](LinkRef l, bool) { Get_KTV_Echo_Level(l); }, 4, OP_GET, {}},
      {"echo delay query", [](LinkRef l, bool) { Get_KTV_Echo_Delay(l); }, 5, OP_GET, {}},
      {"reverb level query", [](LinkRef l, bool) { Get_KTV_Reverb_Level(l); }, 6, OP_GET, {}},
      {"reverb time query", [](LinkRef l, bool) { Get_KTV_Reverb_Time(l); }, 7, OP_GET, {}},
      {"voice changer query", [](LinkRef l, bool) { Get_KTV_Voice_Changer(l); }, 8, OP_GET, {}},
      {"bass query", [](LinkRef l, bool) { Get_KTV_Bass_Gain(l); }, 9, OP_GET, {}},
      {"treble query", [](LinkRef l, bool) { Get_KTV_Treble_Gain(l); }, 10, OP_GET, {}},
  };
  // clang-format on
  return cases;
}

TEST_F(KaraokeTest, EachCommandSendsItsFrameAndWaitsTheDefault) {
  std::vector<test::CommandRow> rows;
  for (const CommandCase& c : CommandCases())
    rows.push_back({c.what, [&c](DeviceLink& l) { c.call(l, true); }, c.id, c.op, c.payload});
  test::ExpectEachCommandSendsItsFrame(link, hid, KTV_PACKET, rows);
}

TEST_F(KaraokeTest, SettersCalledWithoutImmediateAreDroppedWhileTheQueueIsOff) {
  link.DisableQueue();
  for (const CommandCase& c : CommandCases()) {
    if (c.op != OP_SET) continue;
    SCOPED_TRACE(c.what);
    c.call(link, false);
  }
  EXPECT_TRUE(hid.Written().empty());
  EXPECT_EQ(link.QueuedCommands(), 0U);
}

TEST_F(KaraokeTest, QueriesReturnWhetherTheBoxAnsweredAndDecodeTheAnswer) {
  EXPECT_FALSE(Get_KTV_Echo_Delay(link));
  hid.onWrite = [this](const Bytes&) {
    hid.QueueReport(InputReport(ReplyFrameBytes(KTV_PACKET, 5, OP_UPDATE, {0x01, 0xF4})));
  };
  EXPECT_TRUE(Get_KTV_Echo_Delay(link));
  const std::vector<ReplyMessage> posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].number, WM_KTV_REPLY);
  EXPECT_EQ(posted[0].wParam, 5U);
  EXPECT_EQ(posted[0].lParam, 500);
}

// --- replies ----------------------------------------------------------------------------------

struct KaraokeReplyCase {
  const char* what;
  std::uint8_t id;
  std::uint8_t op;
  Bytes payload;
  bool posted;
  std::intptr_t value = 0;
};

const std::vector<KaraokeReplyCase>& KaraokeReplyCases() {
  // clang-format off
  static const std::vector<KaraokeReplyCase> cases = {
      {"mic volume is the first byte", 1, OP_UPDATE, {0x20, 1, 2}, true, 0x20},
      {"music volume", 2, OP_UPDATE, {0xFF, 0, 0}, true, 255},
      {"howling", 3, OP_UPDATE, {1}, true, 1},
      {"echo level of one byte", 4, OP_UPDATE, {9}, true, 9},
      {"echo delay", 5, OP_UPDATE, {0x01, 0xF4}, true, 500},
      {"echo delay with the logged bytes", 5, OP_UPDATE, {0xFF, 0xFF, 0, 7}, true, 65535},
      {"echo delay one byte short", 5, OP_UPDATE, {0x01}, false},
      {"reverb level", 6, OP_UPDATE, {100, 0, 0}, true, 100},
      {"reverb time", 7, OP_UPDATE, {3}, true, 3},
      {"voice changer", 8, OP_UPDATE, {2, 0, 0, 0}, true, 2},
      {"bass gain is signed", 9, OP_UPDATE, {0xFF}, true, -1},
      {"most negative bass gain", 9, OP_UPDATE, {0x80}, true, -128},
      {"treble gain", 10, OP_UPDATE, {0x0C}, true, 12},
      {"negative treble gain", 10, OP_UPDATE, {0xF4}, true, -12},
      {"empty one-byte report", 1, OP_UPDATE, {}, false},
      {"empty gain report", 9, OP_UPDATE, {}, false},
      {"empty echo delay report", 5, OP_UPDATE, {}, false},
      {"acknowledgement", 1, OP_ACK, {0x0A}, false},
      {"gain acknowledgement", 10, OP_ACK, {0x0A}, false},
      {"echo delay acknowledgement", 5, OP_ACK, {0x0A, 0}, false},
  };
  // clang-format on
  return cases;
}

/// Runs the table's decoder of `id` on a frame held in a buffer of exactly its size, so a
/// read past the frame is caught by the address sanitiser. False when there is no decoder.
bool DecodeKaraoke(DeviceLink& link, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  return test::DecodeWithTable(KaraokeReplyDecoders(), link, KTV_PACKET, id, op, payload);
}

TEST_F(KaraokeTest, EachReportPostsItsValueToTheMainWindow) {
  for (const KaraokeReplyCase& c : KaraokeReplyCases()) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(DecodeKaraoke(link, c.id, c.op, c.payload));
    const std::vector<ReplyMessage> posted = mainWindow.Take();
    if (!c.posted) {
      EXPECT_TRUE(posted.empty());
      continue;
    }
    ASSERT_EQ(posted.size(), 1U);
    EXPECT_EQ(posted[0].number, WM_KTV_REPLY);
    EXPECT_EQ(posted[0].wParam, c.id);
    EXPECT_EQ(posted[0].lParam, c.value);
    EXPECT_EQ(posted[0].record, nullptr);
  }
}

TEST_F(KaraokeTest, OnlyTheTenKaraokeIdsAreDecoded) {
  EXPECT_FALSE(DecodeKaraoke(link, 0, OP_UPDATE, {1}));
  EXPECT_FALSE(DecodeKaraoke(link, 11, OP_UPDATE, {1}));
  EXPECT_EQ(KaraokeReplyDecoders().size(), 10U);
}

TEST_F(KaraokeTest, ReportsAreLoggedWithTheBytesTheyLabel) {
  struct Case {
    std::uint8_t id;
    Bytes payload;
    const char* line;  ///< expected line, or null: nothing but the per-frame lines
  };
  // clang-format off
  const std::vector<Case> cases = {
      {1, {0, 2, 30}, "KTV MIC VOL OP=0xdd, scene=0, src = 2, mic vol=30\n"},
      {2, {0, 2, 31}, "KTV MUSIC_VOL OP=0xdd, scene=0, src = 2, music vol=31\n"},
      {3, {0, 2, 1}, "KTV HOWLING OP=0xdd, scene=0, src = 2, howling=1\n"},
      {4, {0, 2, 5}, "KTV ECHO LEVEL OP=0xdd, scene=0, src = 2, level=5\n"},
      {5, {1, 0xF4, 0, 7}, "KTV ECHO_DELAY OP=0xdd, scene=1, src = 244, delay=7\n"},
      {6, {0, 2, 6}, "KTV REVERB_LEVEL OP=0xdd, scene=0, src = 2, REVERB_LEVEL=6\n"},
      {7, {0, 2, 7}, "KTV REVERB_TIME OP=0xdd, scene=0, src = 2, time=7\n"},
      {8, {0, 2, 8}, "KTV VOICE_CHANGER OP=0xdd, scene=0, src = 2, voice=8\n"},
      {9, {0xFF}, "KTV_BASS_GAIN  low freq gain=-1\n"},
      {10, {0x0C}, "KTV_TREBLE_GAIN treble gain=12\n"},
      {1, {0, 2}, nullptr},
      {5, {1, 0xF4, 0}, nullptr},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.id});
    test::LogCapture log;
    DecodeKaraoke(link, c.id, OP_UPDATE, c.payload);
    const std::string file = log.File();
    if (c.line) {
      EXPECT_NE(file.find(c.line), std::string::npos) << file;
    } else {
      EXPECT_EQ(file.find("KTV"), std::string::npos) << file;
    }
  }
}

}  // namespace
}  // namespace qb
