#include "devicelink/mcu_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devicelink/link_timing.h"
#include "devicelink/mcu_records.h"
#include "devicelink/wire_codes.h"
#include "tests/devicelink/command_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_target.h"
#include "tests/support/command_reports.h"
#include "tests/support/scripted_hid.h"
#include "tests/support/scripted_link_test.h"

namespace qb {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::InputReport;
using test::ReplyFrameBytes;

/// A link over a scripted box with the MCU decoders installed and a recorder in the main
/// window's slot. Waits are capped at 0 ms, so a silent box costs nothing.
class McuTest : public test::ScriptedLinkTest {
 protected:
  McuTest() : ScriptedLinkTest({McuReplyDecoders()}) {
    link.Register(ReplySlot::MainWindowHandle, &mainWindow);
  }

  /// Makes the box answer every command with `frame`.
  void AnswerWith(const Bytes& frame) {
    hid.onWrite = [this, frame](const Bytes&) { hid.QueueReport(InputReport(frame)); };
  }

  test::RecordingTarget mainWindow;
};

/// The 65-byte report the box should receive, checksum computed here independently.
Bytes ExpectedMcuReport(std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  return test::CommandReport(MCU_PACKET, id, op, payload);
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// --- commands: call -> the report the box received and the wait ---------------------------

TEST_F(McuTest, EachCommandSendsItsFrameWaitsAndLogs) {
  test::ExpectEachCommandSendsItsFrame(link, hid, MCU_PACKET, {
      {"pc connected", [](DeviceLink& l) { PC_Connect(l, 1); }, 0x1F, OP_SET, {1}, kNoWait,
       {"PC_Connect = 1\n"}},
      {"pc leaving", [](DeviceLink& l) { PC_Connect(l, 0); }, 0x1F, OP_SET, {0}, kNoWait,
       {"PC_Connect = 0\n"}},
      {"handshake", [](DeviceLink& l) { Hand_Connect(l); }, 8, OP_SET, {}, kWaitDefaultMs,
       {"Hand_Connect\n"}},
      {"flash version", [](DeviceLink& l) { Get_Flash_Version(l); }, 11, OP_GET, {},
       kWaitShortQueryMs, {"Get_Flash_Version\n"}},
      {"boot-loader version", [](DeviceLink& l) { Get_Bootloader_Version(l); }, 12, OP_GET, {},
       kWaitShortQueryMs, {"Get_Bootloader_Version\n"}},
      {"password and remark", [](DeviceLink& l) { SetPWD(l, "1234", "car"); }, 13, OP_SET,
       Concat({{4}, Text("1234"), {3}, Text("car")}), kWaitDefaultMs,
       {"SetPWD len(4), (password)1234\n"}},
      {"a pair that fills the 40-byte command is sent whole",
       [](DeviceLink& l) { SetPWD(l, "123456789ABCDEF", "abcdefghijklmnopqrstuvw"); }, 13,
       OP_SET, Concat({{15}, Text("123456789ABCDEF"), {23}, Text("abcdefghijklmnopqrstuvw")}),
       kWaitDefaultMs, {"SetPWD len(15), (password)123456789ABCDEF\n"}},
      {"empty password and remark", [](DeviceLink& l) { SetPWD(l, "", ""); }, 13, OP_SET, {0, 0},
       kWaitDefaultMs, {"SetPWD len(0), (password)\n"}},
      {"password query", [](DeviceLink& l) { Get_PWD(l); }, 13, OP_GET, {}, kWaitDefaultMs},
      {"device text", [](DeviceLink& l) { Get_MCU_Text(l, true); }, 65, OP_GET, {},
       kWaitDefaultMs},
      {"reboot", [](DeviceLink& l) { MCU_Reboot_Ctrl(l); }, 143, OP_SET, {}, kWaitDefaultMs,
       {"MCU_Reboot_Ctrl\n"}},
      {"factory default", [](DeviceLink& l) { MCU_Factory_Default(l); }, 144, OP_SET, {},
       kWaitFactoryDefaultMs},
      {"power-off delay", [](DeviceLink& l) { Set_Power_Off_Time(l, 3000, true); }, 145, OP_SET,
       {0x0B, 0xB8}, kWaitDefaultMs, {"Set_Power_Off_Time = 3000ms\n"}},
      {"longest power-off delay", [](DeviceLink& l) { Set_Power_Off_Time(l, 65535, true); }, 145,
       OP_SET, {0xFF, 0xFF}, kWaitDefaultMs, {"Set_Power_Off_Time = 65535ms\n"}},
      {"power-off delay query", [](DeviceLink& l) { Get_Delay_Power_Off_Time(l); }, 145, OP_GET,
       {}, kWaitShortQueryMs, {"Get_Delay_Power_Off_Time\n"}},
      {"negative ACC delay", [](DeviceLink& l) { Set_Acc(l, -1, true); }, 146, OP_SET, {0xFF},
       kWaitDefaultMs, {"Set_Acc delay:-1\n"}},
      {"ACC delay beyond a byte is clamped", [](DeviceLink& l) { Set_Acc(l, 300, true); }, 146,
       OP_SET, {0x7F}, kWaitDefaultMs, {"Set_Acc delay:127\n"}},
      {"ACC query", [](DeviceLink& l) { Get_Acc(l); }, 146, OP_GET, {}, kWaitDefaultMs,
       {"Get_Acc\n"}},
  });
}

TEST_F(McuTest, ConnectAndHandshakeFramesMatchTheBoxsExamples) {
  PC_Connect(link, 1);
  Hand_Connect(link);
  const std::vector<Bytes> w = hid.Written();
  ASSERT_EQ(w.size(), 2U);
  EXPECT_EQ(Bytes(w[0].begin(), w[0].begin() + 9),
            (Bytes{0x00, 0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x01, 0x1E}));
  EXPECT_EQ(Bytes(w[1].begin(), w[1].begin() + 8),
            (Bytes{0x00, 0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37}));
}

TEST_F(McuTest, TheImmediateArgumentDecidesAndTheOthersAlwaysSendAtOnce) {
  // Queue off: setters called with immediate false are dropped; commands without the
  // argument are sent regardless.
  struct Case {
    const char* what;
    std::function<void(DeviceLink&)> call;
    bool sent;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"power-off delay, queued", [](DeviceLink& l) { Set_Power_Off_Time(l, 10, false); }, false},
      {"ACC, queued", [](DeviceLink& l) { Set_Acc(l, 5, false); }, false},
      {"device text, queued", [](DeviceLink& l) { Get_MCU_Text(l, false); }, false},
      {"password", [](DeviceLink& l) { SetPWD(l, "1", "2"); }, true},
      {"reboot", [](DeviceLink& l) { MCU_Reboot_Ctrl(l); }, true},
      {"factory default", [](DeviceLink& l) { MCU_Factory_Default(l); }, true},
      {"pc connected", [](DeviceLink& l) { PC_Connect(l, 1); }, true},
  };
  // clang-format on
  link.DisableQueue();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = hid.Written().size();
    c.call(link);
    EXPECT_EQ(hid.Written().size(), before + (c.sent ? 1 : 0));
  }
  EXPECT_EQ(link.QueuedCommands(), 0U);
}

TEST_F(McuTest, AQueuedSetterIsSentByTheWorkerWhileTheQueueIsOn) {
  link.EnableQueue();
  Set_Power_Off_Time(link, 3000, false);
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (hid.Written().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(hid.Written().size(), 1U);
  EXPECT_EQ(hid.Written()[0], ExpectedMcuReport(145, OP_SET, {0x0B, 0xB8}));
}

// --- handshake through the link -------------------------------------------------------------

TEST_F(McuTest, HandshakeReturnsWhetherTheBoxAnsweredAndAppliesTheAnswer) {
  EXPECT_FALSE(Hand_Connect(link));  // silent box
  EXPECT_EQ(link.Model(), -1);
  EXPECT_FALSE(link.ApplicationMode());
  EXPECT_TRUE(mainWindow.Take().empty());

  AnswerWith(ReplyFrameBytes(MCU_PACKET, 8, OP_UPDATE, {0x00, 0x4F, 0x10, 0x10}));
  EXPECT_TRUE(Hand_Connect(link));
  EXPECT_EQ(link.Model(), 79);
  EXPECT_TRUE(link.ApplicationMode());
  std::vector<ReplyMessage> posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].number, WM_MCU_REPLY);
  EXPECT_EQ(posted[0].wParam, 8U);
  const auto* record = posted[0].RecordAs<HandshakeRecord>();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->reserved, 0);
  EXPECT_EQ(record->model, 79);
  EXPECT_EQ(record->masterVersion, 16);
  EXPECT_EQ(record->slaveVersion, 16);

  // The box restarted into its loader: the model it reported before stays.
  AnswerWith(ReplyFrameBytes(MCU_PACKET, 8, OP_UPDATE, {0xF0, 0x11, 0x01, 0x01}));
  EXPECT_TRUE(Hand_Connect(link));
  EXPECT_EQ(link.Model(), 79);
  EXPECT_FALSE(link.ApplicationMode());
  posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].number, WM_DEVICE_ABNORMAL);
  EXPECT_EQ(posted[0].wParam, 0U);
  EXPECT_EQ(posted[0].lParam, 0);
  EXPECT_EQ(posted[0].record, nullptr);
}

TEST_F(McuTest, APasswordThatDoesNotFitIsRefusedWholeNeverCut) {
  test::LogCapture log;
  EXPECT_FALSE(SetPWD(link, "123456789ABCDEF", "abcdefghijklmnopqrstuvwx"));  // 2 + 15 + 24 = 41
  EXPECT_TRUE(hid.Written().empty());
  EXPECT_NE(log.File().find("SetPWD refused"), std::string::npos);
  EXPECT_TRUE(SetPWD(link, "1234", "car"));
}

TEST_F(McuTest, HandshakeOnAClosedLinkReturnsFalseWithoutWriting) {
  link.CloseHIDDevice(false);
  EXPECT_FALSE(Hand_Connect(link));
  EXPECT_TRUE(hid.Written().empty());
}

TEST_F(McuTest, QueriesReturnWhetherAReportCameBack) {
  EXPECT_FALSE(Get_Flash_Version(link));
  EXPECT_FALSE(Get_Acc(link));
  AnswerWith(ReplyFrameBytes(MCU_PACKET, 12, OP_UPDATE, {0x21}));
  EXPECT_TRUE(Get_Bootloader_Version(link));
  EXPECT_EQ(link.BootloaderVersion(), 0x21);
}

// --- replies: frame -> posted message and link fields -----------------------------------------

/// What the link holds after a reply; decoders set model, application mode and the
/// boot-loader version, nothing else.
struct LinkState {
  int model = -1;
  bool applicationMode = false;
  int bootloader = 0;
  bool operator==(const LinkState&) const = default;
};

std::string Quoted(const std::uint8_t* bytes, std::int32_t length, std::size_t capacity) {
  std::string s = "'" + std::string(bytes, bytes + length) + "'";
  // Bytes behind the length must stay zero: a record never carries more than it says.
  for (std::size_t i = static_cast<std::size_t>(length); i < capacity; ++i) {
    if (bytes[i] != 0) return s + "!dirty";
  }
  return s;
}

/// One posted message as text: "number wParam lParam [record]".
std::string DescribeMcu(const ReplyMessage& m) {
  std::string s =
      std::to_string(m.number) + " " + std::to_string(m.wParam) + " " + std::to_string(m.lParam);
  if (const auto* r = m.RecordAs<HandshakeRecord>()) {
    s += " handshake(" + std::to_string(r->reserved) + "," + std::to_string(r->model) + "," +
         std::to_string(r->masterVersion) + "," + std::to_string(r->slaveVersion) + ")";
  } else if (const auto* f = m.RecordAs<FlashVersionRecord>()) {
    s += " flash(";
    for (int v : f->reserved) s += std::to_string(v) + ",";
    for (int v : f->version) s += std::to_string(v) + ",";
    s.back() = ')';
  } else if (const auto* p = m.RecordAs<PasswordRecord>()) {
    s += " pwd(" + std::to_string(p->passwordLength) + "," +
         Quoted(p->password.data(), p->passwordLength, kPasswordCapacity) + "," +
         std::to_string(p->remarkLength) + "," +
         Quoted(p->remark.data(), p->remarkLength, kRemarkCapacity) + ")";
  } else if (const auto* t = m.RecordAs<TextRecord>()) {
    s += " text(" + std::to_string(t->length) + "," +
         Quoted(t->text.data(), t->length, kTextCapacity) + ")";
  } else if (m.record) {
    s += " unexpected record";
  }
  return s;
}

struct McuReplyCase {
  const char* what;
  std::uint8_t id;
  std::uint8_t op;
  Bytes payload;
  std::vector<std::string> posted;  ///< DescribeMcu() of each message, in order
  LinkState before{};
  LinkState after{};
};

const std::vector<McuReplyCase>& McuReplyCases() {
  // clang-format off
  static const std::vector<McuReplyCase> cases = {
      {"normal handshake", 8, OP_UPDATE, {0x00, 0x4F, 0x10, 0x10},
       {"1235 8 0 handshake(0,79,16,16)"}, {}, {79, true, 0}},
      {"handshake with trailing bytes", 8, OP_UPDATE, {0x01, 0x4F, 0x10, 0x0F, 0xEE},
       {"1235 8 0 handshake(0,79,16,15)"}, {}, {79, true, 0}},
      {"upgrade-only handshake keeps the model", 8, OP_UPDATE, {0xF0, 0x4F, 0x10, 0x10},
       {"1239 0 0"}, {79, true, 0}, {79, false, 0}},
      {"upgrade-only handshake of one byte", 8, OP_UPDATE, {0xF0}, {"1239 0 0"}, {42, true, 0},
       {42, false, 0}},
      {"handshake without versions is dropped", 8, OP_UPDATE, {0x00, 0x4F, 0x10}, {},
       {42, false, 0}, {42, false, 0}},
      {"handshake with the status only is dropped", 8, OP_UPDATE, {0x00}, {}, {42, false, 0},
       {42, false, 0}},
      {"empty handshake", 8, OP_UPDATE, {}, {}, {42, true, 0}, {42, true, 0}},
      {"handshake acknowledgement", 8, OP_ACK, {0xF0, 0x4F, 0x10, 0x10}, {}, {42, true, 0},
       {42, true, 0}},

      {"flash version", 11, OP_UPDATE, {1, 2, 3, 4}, {"1235 11 0 flash(0,0,0,0,1,2,3,4)"}},
      {"flash version high bytes", 11, OP_UPDATE, {0xFF, 0x80, 0, 9, 7},
       {"1235 11 0 flash(0,0,0,0,255,128,0,9)"}},
      {"flash version one byte short", 11, OP_UPDATE, {1, 2, 3}, {}},
      {"flash version acknowledgement", 11, OP_ACK, {1, 2, 3, 4}, {}},

      {"boot-loader version", 12, OP_UPDATE, {7}, {}, {}, {-1, false, 7}},
      {"boot-loader version missing", 12, OP_UPDATE, {}, {}, {-1, false, 5}, {-1, false, 5}},
      {"boot-loader acknowledgement", 12, OP_ACK, {7}, {}, {-1, false, 5}, {-1, false, 5}},

      {"password and remark", 13, OP_UPDATE, Concat({{4}, Text("1234"), {3}, Text("car")}),
       {"1235 13 0 pwd(4,'1234',3,'car')"}},
      {"password of twelve and remark of twenty", 13, OP_UPDATE,
       Concat({{12}, Text("ABCDEFGHIJKL"), {20}, Text("abcdefghijklmnopqrst")}),
       {"1235 13 0 pwd(12,'ABCDEFGHIJKL',20,'abcdefghijklmnopqrst')"}},
      {"over-long password is clipped and the remark still found behind it", 13, OP_UPDATE,
       Concat({{15}, Text("123456789ABCDEF"), {2}, Text("ab")}),
       {"1235 13 0 pwd(12,'123456789ABC',2,'ab')"}},
      {"over-long remark is clipped", 13, OP_UPDATE,
       Concat({{1}, Text("x"), {30}, Text("abcdefghijklmnopqrstuvwxy")}),
       {"1235 13 0 pwd(1,'x',20,'abcdefghijklmnopqrst')"}},
      {"password announced past the frame", 13, OP_UPDATE, Concat({{200}, Text("12345")}),
       {"1235 13 0 pwd(5,'12345',0,'')"}},
      {"remark announced past the frame", 13, OP_UPDATE,
       Concat({{2}, Text("pw"), {10}, Text("abc")}), {"1235 13 0 pwd(2,'pw',3,'abc')"}},
      {"password ends where the remark length would be", 13, OP_UPDATE,
       Concat({{3}, Text("abc")}), {"1235 13 0 pwd(3,'abc',0,'')"}},
      {"empty password without remark", 13, OP_UPDATE, {0}, {"1235 13 0 pwd(0,'',0,'')"}},
      {"password without a length", 13, OP_UPDATE, {}, {}},
      {"password acknowledgement", 13, OP_ACK, Concat({{1}, Text("a"), {0}}), {}},

      {"device text", 65, OP_UPDATE, Concat({{5}, Text("hello")}), {"1235 65 0 text(5,'hello')"}},
      {"device text of sixteen", 65, OP_UPDATE, Concat({{16}, Text("0123456789ABCDEF")}),
       {"1235 65 0 text(16,'0123456789ABCDEF')"}},
      {"over-long device text is clipped", 65, OP_UPDATE,
       Concat({{20}, Text("0123456789ABCDEFGHIJ")}), {"1235 65 0 text(16,'0123456789ABCDEF')"}},
      {"device text announced past the frame", 65, OP_UPDATE, Concat({{255}, Text("abc")}),
       {"1235 65 0 text(3,'abc')"}},
      {"device text without a length", 65, OP_UPDATE, {}, {}},

      {"MCU INIT posts nothing", 96, OP_UPDATE, {1, 2}, {}},
      {"power-off delay", 145, OP_UPDATE, {0x0B, 0xB8}, {"1235 145 3000"}},
      {"longest power-off delay", 145, OP_UPDATE, {0xFF, 0xFF, 0x01}, {"1235 145 65535"}},
      {"power-off delay one byte short", 145, OP_UPDATE, {0x0B}, {}},
      {"power-off acknowledgement", 145, OP_ACK, {0x0A, 0x00}, {}},
      {"ACC -1", 146, OP_UPDATE, {0xFF}, {"1235 146 -1"}},
      {"ACC most negative", 146, OP_UPDATE, {0x80}, {"1235 146 -128"}},
      {"ACC positive", 146, OP_UPDATE, {0x7F}, {"1235 146 127"}},
      {"ACC without value", 146, OP_UPDATE, {}, {}},
      {"ACC acknowledgement", 146, OP_ACK, {0x0A}, {}},

      {"pc connected answer", 31, OP_UPDATE, {1}, {}},
      {"reboot answer", 143, OP_ACK, {0x0A}, {}},
      {"factory default answer", 144, OP_UPDATE, {0x0A}, {}},
      {"unknown id", 200, OP_UPDATE, {1, 2, 3, 4}, {}},
  };
  // clang-format on
  return cases;
}

/// Runs the table's decoder of `id` on a frame whose bytes are exactly id, op, payload, in
/// a buffer of that size, so that a read past the frame is caught by the address sanitiser.
/// Returns false when the table has no decoder for the id.
bool DecodeMcu(DeviceLink& link, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  return test::DecodeWithTable(McuReplyDecoders(), link, MCU_PACKET, id, op, payload);
}

TEST_F(McuTest, EachReplyPostsItsMessageAndSetsItsLinkFields) {
  for (const McuReplyCase& c : McuReplyCases()) {
    SCOPED_TRACE(c.what);
    link.SetModel(c.before.model);
    link.SetApplicationMode(c.before.applicationMode);
    link.SetBootloaderVersion(static_cast<std::uint8_t>(c.before.bootloader));
    DecodeMcu(link, c.id, c.op, c.payload);
    std::vector<std::string> posted;
    for (const ReplyMessage& m : mainWindow.Take()) posted.push_back(DescribeMcu(m));
    EXPECT_EQ(posted, c.posted);
    const LinkState after{link.Model(), link.ApplicationMode(), link.BootloaderVersion()};
    EXPECT_EQ(after, c.after) << "model " << after.model << " app " << after.applicationMode
                              << " boot " << after.bootloader;
  }
}

TEST_F(McuTest, UpgradeAcknowledgementsAndCommandsWithoutRepliesHaveNoDecoderHere) {
  // The upgrade installs its own decoders for its acknowledgements; an entry here would
  // silently take them over or be taken over, depending on the order of the tables.
  for (std::uint8_t id :
       {MCU_ENTER_UPG_MODE, MCU_UPG_START, MCU_UPG_DATA, MCU_UPG_FINISH, BL_UPG_ENTER, BL_UPG_START,
        BL_UPG_DATA, BL_UPG_FINISH, MCU_PC_CONNECT, MCU_REBOOT, MCU_FACTORY_DEFAULT}) {
    EXPECT_FALSE(DecodeMcu(link, id, OP_ACK, {ACK_READY})) << int{id};
  }
  for (const CommandDecoderEntry& entry : McuReplyDecoders())
    EXPECT_EQ(entry.packetType, MCU_PACKET);
}

TEST_F(McuTest, AShortReplyAfterALongOneNeverPicksUpItsBytes) {
  // Through the parser both frames share one buffer; the short one must not see the
  // versions the first one left behind it.
  link.SetModel(42);
  Bytes report = ReplyFrameBytes(MCU_PACKET, 11, OP_UPDATE, {1, 2, 3, 4});
  const Bytes shortFrame = ReplyFrameBytes(MCU_PACKET, 8, OP_UPDATE, {0x00, 0x4F});
  report.insert(report.end(), shortFrame.begin(), shortFrame.end());
  hid.QueueReport(InputReport(report));
  ASSERT_TRUE(link.ReadHIDData(kWaitDefaultMs));
  const std::vector<ReplyMessage> posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].wParam, 11U);
  EXPECT_EQ(link.Model(), 42);
}

TEST_F(McuTest, RepliesAreLoggedWithTheirValues) {
  struct Case {
    std::uint8_t id;
    std::uint8_t op;
    Bytes payload;
    const char* line;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {8, OP_ACK, {0x00}, "\nMCU_HANDSHAKE\n"},
      {8, OP_UPDATE, {0x00, 0x4F, 0x10, 0x0F},
       "model = 79, master verion = 16, slave verion = 15\n"},
      {11, OP_ACK, {}, "MCU_GET_DSPFLASH_VER\n"},
      {11, OP_UPDATE, {1, 2, 3, 14}, "flashver = 01020314\n"},
      {13, OP_UPDATE, Concat({{4}, Text("1234"), {0}}), "password->len(4),  pwd-->> 1234\n"},
      {96, OP_UPDATE, {}, "MCU INIT\n"},
      {146, OP_UPDATE, {0xFF}, "MCU_ACC OP=0xdd, delay = -1\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    test::LogCapture log;
    DecodeMcu(link, c.id, c.op, c.payload);
    EXPECT_NE(log.File().find(c.line), std::string::npos) << log.File();
  }
}

}  // namespace
}  // namespace qb
