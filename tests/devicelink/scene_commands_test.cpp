#include "devicelink/scene_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "devicelink/device_link.h"
#include "devicelink/link_timing.h"
#include "devicelink/reply_decoders.h"
#include "devicelink/scene_records.h"
#include "devicelink/wire_codes.h"
#include "tests/devicelink/command_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_target.h"
#include "tests/support/scripted_hid.h"
#include "tests/support/scripted_link_test.h"

namespace qb {
namespace {

using test::Bytes;
using test::InputReport;
using test::ReplyFrameBytes;

/// A link over a scripted box with the scene decoders installed and recorders in the two
/// slots scene replies go to. Waits are capped at 0 ms, so a silent box costs nothing.
class SceneLinkTest : public test::ScriptedLinkTest {
 protected:
  SceneLinkTest() : ScriptedLinkTest({SceneReplyDecoders()}) {
    link.Register(ReplySlot::MainWindowHandle, &mainWindow);
    link.Register(ReplySlot::SceneWindowHandle, &sceneWindow);
  }

  /// Lets the link read one input report holding `frames` back to back.
  void Receive(const std::vector<Bytes>& frames) {
    Bytes report;
    for (const Bytes& f : frames) report.insert(report.end(), f.begin(), f.end());
    hid.QueueReport(InputReport(report));
    ASSERT_TRUE(link.ReadHIDData(kWaitDefaultMs));
  }

  test::RecordingTarget mainWindow;
  test::RecordingTarget sceneWindow;
};

SceneNameBytes NameOf(const std::string& text) {
  SceneNameBytes name{};
  std::copy_n(text.begin(), std::min(text.size(), name.size()), name.begin());
  return name;
}

SceneNameBytes Filled(std::uint8_t byte) {
  SceneNameBytes name;
  name.fill(byte);
  return name;
}

Bytes NameReply(std::uint8_t scene, const SceneNameBytes& name) {
  Bytes payload{scene};
  payload.insert(payload.end(), name.begin(), name.end());
  return payload;
}

// --- commands: call -> the report the box received ----------------------------------------

Bytes Concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Bytes Sequence(std::size_t n, std::uint8_t first) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

const std::string kFullName = "ABCDEFGHIJKLMNOP";  // 16 bytes, no terminator

TEST_F(SceneLinkTest, EachCommandSendsItsFrameWaitsAndLogs) {
  test::ExpectEachCommandSendsItsFrame(link, hid, FLASH_PACKET, {
      {"save", [](DeviceLink& l) { SaveScene(l, 3, false); }, 8, OP_SET, {3, 0}, kWaitSceneMs,
       {"SaveScene scene(3) immediately=0\n"}},
      {"save immediately", [](DeviceLink& l) { SaveScene(l, 10, true); }, 8, OP_SET, {10, 1},
       kWaitSceneMs, {"SaveScene scene(10) immediately=1\n"}},
      {"load into live", [](DeviceLink& l) { ReadScene(l, 4, 0); }, 9, OP_SET, {4, 0},
       kWaitSceneMs, {"ReadScene from scene(4) to scene(0)\n"}},
      {"load for read-back", [](DeviceLink& l) { ReadScene(l, 2, 255); }, 9, OP_SET, {2, 255},
       kWaitSceneMs, {"ReadScene from scene(2) to scene(255)\n"}},
      {"delete", [](DeviceLink& l) { DeleteScene(l, 7); }, 10, OP_SET, {7}, kWaitSceneMs,
       {"DeleteScene scene(7)\n"}},
      {"short name is zero-padded to len",
       [](DeviceLink& l) {
         const Bytes name{'C', 'l', 'u', 'b', 'M', 'i', 'x'};
         SetSceneName(l, 5, name, 16);
       },
       11, OP_SET, Concat({5, 16, 'C', 'l', 'u', 'b', 'M', 'i', 'x'}, Bytes(9, 0)),
       kWaitDefaultMs, {"SetSceneName scene(5), len(16), (name)ClubMix\n"}},
      {"name filling all sixteen bytes is logged without reading past it",
       [](DeviceLink& l) {
         const SceneNameBytes name = NameOf(kFullName);
         SetSceneName(l, 1, name);
       },
       11, OP_SET, Concat({1, 16}, Bytes(kFullName.begin(), kFullName.end())), kWaitDefaultMs,
       {"SetSceneName scene(1), len(16), (name)ABCDEFGHIJKLMNOP\n"}},
      {"name longer than len is cut",
       [](DeviceLink& l) {
         const Bytes name = Sequence(20, 'a');
         SetSceneName(l, 2, name, 16);
       },
       11, OP_SET, Concat({2, 16}, Sequence(16, 'a')), kWaitDefaultMs,
       {"SetSceneName scene(2), len(16), (name)abcdefghijklmnop\n"}},
      {"code page bytes are escaped in the log",
       [](DeviceLink& l) {
         const Bytes name{0xC4, 0xE3, 'A', 0x07};
         SetSceneName(l, 6, name, 4);
       },
       11, OP_SET, {6, 4, 0xC4, 0xE3, 'A', 0x07}, kWaitDefaultMs,
       {"SetSceneName scene(6), len(4), (name)\\xc4\\xe3A\\x07\n"}},
      {"longest name that fits", [](DeviceLink& l) { SetSceneName(l, 9, Sequence(55, 1), 55); },
       11, OP_SET, Concat({9, 55}, Sequence(55, 1)), kWaitDefaultMs},
      {"name query", [](DeviceLink& l) { Get_Scene_Name(l, 9); }, 11, OP_GET, {9},
       kWaitDefaultMs},
      {"data block", [](DeviceLink& l) { SetSceneProfile(l, 2, 0x0134, Bytes{9, 8, 7, 6, 5}); },
       12, OP_SET, {2, 0x01, 0x34, 5, 9, 8, 7, 6, 5}, kWaitSceneMs, {"SetSceneProfile scene(2)\n"}},
      {"largest data block",
       [](DeviceLink& l) { SetSceneProfile(l, 10, 0xFFFF, Sequence(53, 0x80)); }, 12, OP_SET,
       Concat({10, 0xFF, 0xFF, 53}, Sequence(53, 0x80)), kWaitSceneMs,
       {"SetSceneProfile scene(10)\n"}},
      {"data block read", [](DeviceLink& l) { GetSceneProfile(l, 6, 300, 53); }, 12, OP_GET,
       {6, 0x01, 0x2C, 53}, kWaitSceneMs, {"GetSceneProfile scene(6), start = 300, data_len = 53\n"}},
      {"scene query", [](DeviceLink& l) { Get_Scene_Query(l, 0x21); }, 13, OP_GET, {0x21},
       kWaitDefaultMs},
      {"current scene", [](DeviceLink& l) { Get_Scene_ID(l); }, 14, OP_GET, {}, kWaitDefaultMs},
      {"valid scenes", [](DeviceLink& l) { Get_Scene_Valid(l); }, 15, OP_GET, {},
       kWaitDefaultMs},
  });
}

TEST_F(SceneLinkTest, SaveSceneFrameMatchesTheBoxsExample) {
  SaveScene(link, 3, false);
  const Bytes r = hid.Written().back();
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 10),
            (Bytes{0x00, 0xAA, 0x55, 0x05, 0x02, 0x08, 0xBB, 0x03, 0x00, 0x33}));
}

TEST_F(SceneLinkTest, CommandsThatCannotBeFramedAreNotSentAtAll) {
  test::LogCapture log;
  SetSceneProfile(link, 1, 0, Sequence(54, 0));  // one byte over the block limit
  SetSceneName(link, 1, Sequence(56, 'a'), 56);
  EXPECT_TRUE(hid.Written().empty());
  const std::string file = log.File();
  EXPECT_NE(file.find("block of 54 bytes exceeds 53, not sent"), std::string::npos);
  EXPECT_NE(file.find("len(56) does not fit one frame, not sent"), std::string::npos);
}

TEST_F(SceneLinkTest, SceneCommandsAreSentEvenWhileTheQueueIsOff) {
  // The scene tasks switch the queue off; a scene command must never be dropped by that.
  link.DisableQueue();
  DeleteScene(link, 4);
  EXPECT_EQ(hid.Written().size(), 1U);
  EXPECT_EQ(link.QueuedCommands(), 0U);
}

TEST_F(SceneLinkTest, QueriesReportWhetherTheBoxAnsweredAndDecodeTheAnswer) {
  EXPECT_FALSE(Get_Scene_Valid(link));  // silent box
  hid.onWrite = [this](const Bytes&) {
    hid.QueueReport(InputReport(ReplyFrameBytes(FLASH_PACKET, 15, OP_UPDATE, {0x02, 0x05})));
  };
  EXPECT_TRUE(Get_Scene_Valid(link));
  const std::vector<ReplyMessage> posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  ASSERT_NE(posted[0].RecordAs<ValidScenesRecord>(), nullptr);
  EXPECT_EQ(posted[0].RecordAs<ValidScenesRecord>()->mask, 0x0205U);
}

// --- replies: frame -> posted message ---------------------------------------------------

enum class Kind { Notice, Name, Id, Valid };

struct SceneReplyCase {
  const char* what;
  std::uint8_t id;
  std::uint8_t op;
  Bytes payload;
  bool posted;
  // What the posted message holds (ignored when nothing is posted).
  ReplySlot slot = ReplySlot::MainWindowHandle;
  std::uint32_t number = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  Kind kind = Kind::Notice;
  std::int32_t index = 0;
  SceneNameBytes name{};
  std::uint32_t mask = 0;
};

SceneReplyCase Dropped(const char* what, std::uint8_t id, std::uint8_t op, Bytes payload) {
  return SceneReplyCase{what, id, op, std::move(payload), false};
}

SceneReplyCase Notice(const char* what, std::uint8_t id, Bytes payload, std::uint32_t number,
                 std::uintptr_t wParam) {
  SceneReplyCase c{what, id, OP_ACK, std::move(payload), true};
  c.slot = ReplySlot::SceneWindowHandle;
  c.number = number;
  c.wParam = wParam;
  return c;
}

SceneReplyCase Name(const char* what, std::uint8_t scene, const SceneNameBytes& sent,
               const SceneNameBytes& posted) {
  SceneReplyCase c{what, 11, OP_UPDATE, NameReply(scene, sent), true};
  c.number = WM_SCENE_REPLY;
  c.wParam = 11;
  c.kind = Kind::Name;
  c.index = scene - 1;
  c.name = posted;
  return c;
}

SceneReplyCase CurrentScene(const char* what, std::uint8_t scene) {
  SceneReplyCase c{what, 14, OP_UPDATE, {scene}, true};
  c.slot = ReplySlot::SceneWindowHandle;
  c.number = WM_SCENE_ID;
  c.wParam = 14;
  c.lParam = scene;
  c.kind = Kind::Id;
  return c;
}

SceneReplyCase Valid(const char* what, Bytes payload, std::uint32_t mask) {
  SceneReplyCase c{what, 15, OP_UPDATE, std::move(payload), true};
  c.number = WM_SCENE_REPLY;
  c.wParam = 15;
  c.kind = Kind::Valid;
  c.mask = mask;
  return c;
}

SceneNameBytes AllFfButLast() {
  SceneNameBytes name = Filled(0xFF);
  name[15] = 0xFE;
  return name;
}

const std::vector<SceneReplyCase>& SceneReplyCases() {
  static const std::vector<SceneReplyCase> cases = {
      Notice("scene saved", 8, {ACK_READY, 3}, WM_SCENE_REPLY, 3),
      Dropped("save not ready", 8, OP_ACK, {ACK_NOT_READY, 3}),
      Dropped("save reported as data", 8, OP_UPDATE, {ACK_READY, 3}),
      Dropped("save ack without status", 8, OP_ACK, {}),
      Notice("scene deleted", 10, {ACK_READY, 7}, WM_SCENE_DELETED, 7),
      Notice("deleted without the notice byte still closes the loading window", 10, {ACK_READY},
             WM_SCENE_DELETED, 0),
      Dropped("delete not ready", 10, OP_ACK, {ACK_NOT_READY, 7}),

      Name("short name keeps its zero padding", 1, NameOf("Live"), NameOf("Live")),
      Name("name filling sixteen bytes", 10, NameOf(kFullName), NameOf(kFullName)),
      Name("erased flash gives an empty name", 4, Filled(0xFF), SceneNameBytes{}),
      Name("sixteen odd bytes count as erased", 2, Filled(0x61), SceneNameBytes{}),
      Name("one even byte keeps the name", 5, AllFfButLast(), AllFfButLast()),
      Dropped("name of scene 0", 11, OP_UPDATE, NameReply(0, NameOf("Zero"))),
      Dropped("name of scene 11", 11, OP_UPDATE, NameReply(11, NameOf("Eleven"))),
      Dropped("name of scene 255", 11, OP_UPDATE, NameReply(255, Filled(0xFF))),
      Dropped("name as an acknowledgement", 11, OP_ACK, NameReply(3, NameOf("Ack"))),
      Dropped("name one byte short", 11, OP_UPDATE, Concat({3}, Sequence(15, 'a'))),
      Dropped("name with the scene only", 11, OP_UPDATE, {3}),

      CurrentScene("current scene", 4),
      CurrentScene("no current scene", 0),
      CurrentScene("last scene", 10),
      Dropped("current scene beyond the last", 14, OP_UPDATE, {11}),
      Dropped("current scene 255", 14, OP_UPDATE, {255}),
      Dropped("current scene without a byte", 14, OP_UPDATE, {}),
      Dropped("current scene as an acknowledgement", 14, OP_ACK, {4}),

      Valid("three scenes", {0x00, 0x07}, 7),
      Valid("all ten", {0x03, 0xFF}, 0x3FF),
      Valid("high byte counts", {0xFF, 0xFF}, 0xFFFF),
      Dropped("valid mask one byte short", 15, OP_UPDATE, {0x07}),
      Dropped("valid mask as an acknowledgement", 15, OP_ACK, {0x00, 0x07}),

      Dropped("load answer", 9, OP_ACK, {ACK_READY, 3}),
      Dropped("data block answer", 12, OP_UPDATE, Sequence(20, 0)),
      Dropped("scene query answer", 13, OP_UPDATE, {1}),
      Dropped("upgrade start ack", 3, OP_ACK, {ACK_READY}),
      Dropped("upgrade block ack", 4, OP_ACK, {ACK_READY}),
      Dropped("upgrade finish ack", 5, OP_ACK, {ACK_READY}),
      Dropped("unknown id", 16, OP_UPDATE, {1, 2}),
  };
  return cases;
}

TEST_F(SceneLinkTest, EachReplyIsPostedToItsWindowOrDropped) {
  for (const SceneReplyCase& c : SceneReplyCases()) {
    SCOPED_TRACE(c.what);
    Receive({ReplyFrameBytes(FLASH_PACKET, c.id, c.op, c.payload)});
    std::vector<ReplyMessage> toMain = mainWindow.Take();
    std::vector<ReplyMessage> toScene = sceneWindow.Take();
    if (!c.posted) {
      EXPECT_TRUE(toMain.empty());
      EXPECT_TRUE(toScene.empty());
      continue;
    }
    const bool scene = c.slot == ReplySlot::SceneWindowHandle;
    EXPECT_TRUE((scene ? toMain : toScene).empty());
    std::vector<ReplyMessage>& posted = scene ? toScene : toMain;
    ASSERT_EQ(posted.size(), 1U);
    const ReplyMessage& m = posted[0];
    EXPECT_EQ(m.number, c.number);
    EXPECT_EQ(m.wParam, c.wParam);
    EXPECT_EQ(m.lParam, c.lParam);
    switch (c.kind) {
      case Kind::Notice:
      case Kind::Id:
        EXPECT_EQ(m.record, nullptr);
        break;
      case Kind::Name: {
        const auto* record = m.RecordAs<SceneNameRecord>();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->reserved, 0);
        EXPECT_EQ(record->index, c.index);
        EXPECT_EQ(record->name, c.name);
        break;
      }
      case Kind::Valid: {
        const auto* record = m.RecordAs<ValidScenesRecord>();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->mask, c.mask);
        break;
      }
    }
  }
}

TEST_F(SceneLinkTest, BytesAfterTheNameAreIgnored) {
  Bytes payload = NameReply(6, NameOf("Hall"));
  payload.insert(payload.end(), {0xFF, 0xFF, 0xFF});
  Receive({ReplyFrameBytes(FLASH_PACKET, 11, OP_UPDATE, payload)});
  const std::vector<ReplyMessage> posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].RecordAs<SceneNameRecord>()->name, NameOf("Hall"));
}

TEST_F(SceneLinkTest, ATruncatedNameNeverPicksUpBytesOfTheFrameBeforeIt) {
  // The parser reuses one buffer: a short frame after a full one still has the earlier
  // name's bytes behind its end. Only the first frame may produce a record.
  Receive({ReplyFrameBytes(FLASH_PACKET, 11, OP_UPDATE, NameReply(2, NameOf("Studio Monitors"))),
           ReplyFrameBytes(FLASH_PACKET, 11, OP_UPDATE, {3, 'X'}),
           ReplyFrameBytes(FLASH_PACKET, 15, OP_UPDATE, {0x01})});
  const std::vector<ReplyMessage> posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].RecordAs<SceneNameRecord>()->index, 1);
}

TEST_F(SceneLinkTest, NameLogShowsThePostedNameThenTheReceivedBytes) {
  test::LogCapture log;
  Receive({ReplyFrameBytes(FLASH_PACKET, 11, OP_UPDATE, NameReply(3, Filled(0xFF)))});
  std::string expected = "scene_name->index(2), name -->> ";
  for (int i = 0; i < 16; ++i) expected += "0x00, ";
  expected += "\n m_payload: ";
  for (int i = 0; i < 16; ++i) expected += "0xff, ";
  expected += "\n";
  EXPECT_NE(log.File().find(expected), std::string::npos) << log.File();
}

TEST_F(SceneLinkTest, CurrentSceneAndValidMaskAreLogged) {
  test::LogCapture log;
  Receive({ReplyFrameBytes(FLASH_PACKET, 14, OP_UPDATE, {5}),
           ReplyFrameBytes(FLASH_PACKET, 15, OP_UPDATE, {0x00, 0x07})});
  const std::string file = log.File();
  EXPECT_NE(file.find("FLASH_SCENE_ID current scene id = 5\n"), std::string::npos);
  EXPECT_NE(file.find("FLASH_SCENE_VALID valid scene = 7\n"), std::string::npos);
}

}  // namespace
}  // namespace qb
