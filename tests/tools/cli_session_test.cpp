// The session runner in-process, on virtual boxes that fail the ways a real one can: not
// there, another model, in its boot loader, mute, or gone halfway through a change.
#include "tools/cli/cli_session.h"
#include "tools/cli/cli_text.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "core/device_access.h"
#include "devicelink/wire_codes.h"
#include "simulator/box_context.h"
#include "simulator/virtual_box.h"
#include "simulator/virtual_hid.h"

namespace qb::cli {
namespace {

using namespace std::chrono_literals;

Invocation Asking(Command command, bool json = false) {
  Invocation invocation;
  invocation.simulate = true;
  invocation.command = command;
  invocation.json = json;
  return invocation;
}

Invocation Setting(SetRequest request) {
  Invocation invocation = Asking(Command::Set);
  invocation.set = request;
  return invocation;
}

/// A mute box costs the capped wait per query instead of ten seconds.
RunResult RunOn(const std::shared_ptr<sim::VirtualHidBackend>& backend, const Invocation& invocation) {
  SessionOptions options;
  options.connectTimeout = 5s;
  options.drainTimeout = 5s;
  options.timings.waitCapMs = 300;
  return RunSession(invocation, backend, backend->Box().get(), options);
}

bool OneErrorLine(const std::string& err) {
  return err.starts_with("quorelbox-cli: ") && err.find('\n') == err.size() - 1;
}

TEST(CliSessionTest, NothingOnTheBusIsNoBox) {
  const auto backend = sim::MakeVirtualBoxBackend();
  backend->Box()->Unplug();
  const RunResult text = RunOn(backend, Asking(Command::Status));
  EXPECT_EQ(text.code, kExitNoBox);
  EXPECT_TRUE(OneErrorLine(text.err)) << text.err;
  EXPECT_EQ(text.out, "");

  const RunResult json = RunOn(backend, Asking(Command::Get, true));
  EXPECT_EQ(json.code, kExitNoBox);
  cJSON* document = cJSON_Parse(json.out.c_str());
  ASSERT_NE(document, nullptr) << json.out;
  EXPECT_TRUE(cJSON_IsFalse(cJSON_GetObjectItem(document, "ok")));
  EXPECT_EQ(cJSON_GetNumberValue(cJSON_GetObjectItem(document, "code")), kExitNoBox);
  cJSON_Delete(document);
}

TEST(CliSessionTest, ABoxThisUserMayNotOpenNamesItsNodeAndTheFixWithItsOwnCode) {
  const auto backend = sim::MakeVirtualBoxBackend();
  backend->DenyAccess("/dev/hidraw3");
  const RunResult text = RunOn(backend, Asking(Command::Status));
  EXPECT_EQ(text.code, kExitNoAccess);
  EXPECT_TRUE(OneErrorLine(text.err)) << text.err;
  for (const std::string_view part : {std::string_view("/dev/hidraw3"), kUdevRuleFile, kAccessFixCommand})
    EXPECT_NE(text.err.find(part), std::string::npos) << part;
  EXPECT_GT(backend->RefusedOpens(), 1) << "the open was retried";

  const RunResult json = RunOn(backend, Asking(Command::Get, true));
  EXPECT_EQ(json.code, kExitNoAccess);
  cJSON* document = cJSON_Parse(json.out.c_str());
  ASSERT_NE(document, nullptr) << json.out;
  EXPECT_EQ(cJSON_GetNumberValue(cJSON_GetObjectItem(document, "code")), kExitNoAccess);
  EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(document, "node")), "/dev/hidraw3");
  EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(document, "fix")), std::string(kAccessFixCommand).c_str());
  cJSON_Delete(document);
}

TEST(CliSessionTest, ABoxThatCannotBeWorkedWithIsRefusedAndLeftUnchanged) {
  struct Case {
    const char* what;
    std::function<void(sim::VirtualBoxConfig&)> configure;
    std::function<void(sim::VirtualBox&)> misbehave;
    const char* message;
  };
  const Case cases[] = {
      {"another model", [](sim::VirtualBoxConfig& c) { c.model = 12; }, [](sim::VirtualBox&) {},
       "another model (12)"},
      {"boot loader", [](sim::VirtualBoxConfig& c) { c.applicationMode = false; }, [](sim::VirtualBox&) {},
       "boot loader"},
      {"no handshake", [](sim::VirtualBoxConfig&) {}, [](sim::VirtualBox& box) { box.SetSilent(true); },
       "handshake"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::VirtualBoxConfig config;
    c.configure(config);
    const auto backend = sim::MakeVirtualBoxBackend(config);
    c.misbehave(*backend->Box());
    const RunResult result = RunOn(backend, Setting(SetMainMute{true}));
    EXPECT_EQ(result.code, kExitBoxRefused);
    EXPECT_TRUE(OneErrorLine(result.err)) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(backend->Box()->State().live.mainMute, 0) << "nothing may be sent to such a box";
  }
}

TEST(CliSessionTest, ABoxLeavingBeforeTheChangeIsDoneIsRefused) {
  // A plain status run sends the read-out and one farewell frame; this box answers the
  // read-out and leaves on the first frame of the change.
  const auto probe = sim::MakeVirtualBoxBackend();
  ASSERT_EQ(RunOn(probe, Asking(Command::Status)).code, kExitOk);
  const std::size_t readOut = probe->Box()->Commands().size() - 1;

  const auto backend = sim::MakeVirtualBoxBackend();
  backend->Box()->UnplugAfterFrames(readOut);
  const RunResult result = RunOn(backend, Setting(SetMainMute{true}));
  EXPECT_EQ(result.code, kExitBoxRefused);
  EXPECT_TRUE(OneErrorLine(result.err)) << result.err;
  EXPECT_NE(result.err.find("left before the change was done"), std::string::npos) << result.err;
  EXPECT_EQ(backend->Box()->State().live.mainMute, 0);
}

/// A box whose scene memory takes nothing: it refuses every save as not ready.
class RefusingSaves final : public sim::BoxExtension {
 public:
  bool Handle(const sim::BoxCommand& command, sim::BoxContext& box) override {
    if (command.packetType != FLASH_PACKET || command.commandId != FLASH_SCENE_SAVE || command.opType != OP_SET)
      return false;
    const std::uint8_t scene = command.payload.empty() ? 0 : command.payload[0];
    box.Ack(FLASH_PACKET, FLASH_SCENE_SAVE, ACK_NOT_READY, {scene});
    return true;
  }
};

Invocation SceneCommand(SceneAction action, int scene, std::u16string name = {}) {
  Invocation invocation = Asking(Command::Scene);
  invocation.scene = SceneRequest{action, scene, std::move(name)};
  return invocation;
}

TEST(CliSessionTest, ASceneSaveTheBoxDoesNotConfirmFails) {
  const auto backend = sim::MakeVirtualBoxBackend();
  backend->Box()->AddExtension(std::make_unique<RefusingSaves>());
  const RunResult result = RunOn(backend, SceneCommand(SceneAction::Save, 3, u"Concert"));
  EXPECT_EQ(result.code, kExitBoxRefused);
  EXPECT_TRUE(OneErrorLine(result.err)) << result.err;
  EXPECT_NE(result.err.find("did not confirm that scene 3 was saved"), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(backend->Box()->State().scenes[2].valid);
}

TEST(CliSessionTest, SceneNamesTheBoxCannotKeepAreRefusedBeforeAnythingIsSent) {
  // The box keeps names in an 8-bit code page; a name it would turn into question marks
  // is refused rather than stored mangled.
  for (const std::u16string& name : {std::u16string(u"\u041A\u043E\u043D\u0446\u0435\u0440\u0442"),
                                     std::u16string(u"Default")}) {
    const auto backend = sim::MakeVirtualBoxBackend();
    const RunResult result = RunOn(backend, SceneCommand(SceneAction::Save, 2, name));
    EXPECT_EQ(result.code, kExitBadArgument);
    EXPECT_TRUE(OneErrorLine(result.err)) << result.err;
    const sim::BoxState state = backend->Box()->State();
    EXPECT_FALSE(state.scenes[1].valid);
    EXPECT_FALSE(state.hasPendingName[1]) << "no name may reach the box";
  }
  const auto backend = sim::MakeVirtualBoxBackend();
  const RunResult accented = RunOn(backend, SceneCommand(SceneAction::Save, 2, u"Caf\u00E9"));
  EXPECT_EQ(accented.code, kExitOk) << accented.err;
  EXPECT_EQ(backend->Box()->State().scenes[1].name[3], 0xE9) << "the code page's own byte";
}

TEST(CliSessionTest, SceneNamesArePrintedAsUtf8) {
  const auto backend = sim::MakeVirtualBoxBackend();
  backend->Box()->Modify([](sim::BoxState& state) {
    sim::SceneSlot& slot = state.scenes[1];
    slot.erased = false;
    slot.valid = true;
    slot.name.fill(0);
    const unsigned char cafe[] = {'C', 'a', 'f', 0xE9};  // the box's 8-bit code page
    std::copy(std::begin(cafe), std::end(cafe), slot.name.begin());
  });
  const RunResult result = RunOn(backend, Asking(Command::Get, true));
  ASSERT_EQ(result.code, kExitOk) << result.err;
  cJSON* document = cJSON_Parse(result.out.c_str());
  ASSERT_NE(document, nullptr);
  const cJSON* scene = cJSON_GetArrayItem(cJSON_GetObjectItem(document, "scenes"), 1);
  EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(scene, "name")), "Caf\xC3\xA9");
  EXPECT_TRUE(cJSON_IsTrue(cJSON_GetObjectItem(scene, "valid")));
  EXPECT_EQ(cJSON_GetNumberValue(cJSON_GetObjectItem(document, "sceneValidMask")), 0b11);
  cJSON_Delete(document);

  // Beyond the code page: a character outside the basic plane, and a lone surrogate.
  EXPECT_EQ(Utf8Name(u"\U0001F50A\0ignored"), "\xF0\x9F\x94\x8A");
  EXPECT_EQ(Utf8Name(std::u16string_view(u"a\xD800", 2)), "a\xEF\xBF\xBD");
}

/// A box that takes memory reads and never answers them.
class SilentMemory final : public sim::BoxExtension {
 public:
  bool Handle(const sim::BoxCommand& command, sim::BoxContext&) override {
    return command.packetType == DSP_PACKET && command.commandId == DSP_MEM_DATA && command.opType == OP_GET;
  }
};

TEST(CliSessionTest, AMemoryReadTheBoxDoesNotAnswerFails) {
  const auto backend = sim::MakeVirtualBoxBackend();
  backend->Box()->AddExtension(std::make_unique<SilentMemory>());
  Invocation invocation = Asking(Command::Mem);
  invocation.mem = MemRequest{false, 0x10, 0};
  const RunResult result = RunOn(backend, invocation);
  EXPECT_EQ(result.code, kExitBoxRefused);
  EXPECT_TRUE(OneErrorLine(result.err)) << result.err;
  EXPECT_NE(result.err.find("did not answer the read of address 0x00000010"), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
}

TEST(CliSessionTest, CalibrateReportsEachOutputKeepsTheResultWithApplyAndFailsAsTheBoxSays) {
  const auto backend = sim::MakeVirtualBoxBackend();
  Invocation invocation = Asking(Command::Calibrate, true);
  invocation.calibrate.outputs = 0b101;
  invocation.calibrate.apply = true;
  SessionOptions options;
  options.calibration.pollPause = 1ms;
  std::vector<std::string> lines;
  options.progress = [&lines](std::string_view line) { lines.emplace_back(line); };
  const RunResult result = RunSession(invocation, backend, backend->Box().get(), options);
  ASSERT_EQ(result.code, kExitOk) << result.err;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "calibrating: completed, 100 %"), lines.end());
  cJSON* doc = cJSON_Parse(result.out.c_str());
  ASSERT_NE(doc, nullptr);
  const cJSON* outputs = cJSON_GetObjectItem(doc, "outputs");
  ASSERT_EQ(cJSON_GetArraySize(outputs), 2);
  const cJSON* third = cJSON_GetArrayItem(outputs, 1);
  EXPECT_EQ(cJSON_GetObjectItem(third, "output")->valueint, 3);
  EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(third, "measured")), 121);
  const cJSON* correction = cJSON_GetObjectItem(third, "correction");
  ASSERT_EQ(cJSON_GetArraySize(correction), 11);
  const int firstHz = cJSON_GetObjectItem(cJSON_GetArrayItem(correction, 0), "freqHz")->valueint;
  EXPECT_EQ(backend->Box()->State().live.outputs[2].bands[0].freqHz, firstHz);
  EXPECT_TRUE(cJSON_IsTrue(cJSON_GetObjectItem(doc, "applied")));
  cJSON_Delete(doc);

  backend->Box()->SetCalibrationConfig(sim::CalibrationConfig{.failureCode = IRC_FAIL_EQ, .failAtPoll = 3});
  invocation.json = false;
  const RunResult failed = RunSession(invocation, backend, backend->Box().get(), options);
  EXPECT_EQ(failed.code, kExitBoxRefused);
  EXPECT_EQ(failed.err, "quorelbox-cli: the calibration failed: the EQ compensation could not be computed\n");
  EXPECT_EQ(backend->Box()->Calibration().applied, 1);
}

}  // namespace
}  // namespace qb::cli
