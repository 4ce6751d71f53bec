// The core's handling of the box's replies, fed with hand-built messages, without a display.
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <functional>
#include <string>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/core_test_access.h"
#include "core/equalizer_manager.h"
#include "devicelink/dsp_records.h"
#include "devicelink/mcu_records.h"
#include "devicelink/wire_codes.h"
#include "simulator/virtual_hid.h"
#include "devicelink/link_decoders.h"
#include "core/scene_access.h"
#include "tests/support/recording_target.h"

namespace qb {
namespace {

using namespace std::chrono_literals;

class FakeHost final : public SessionHost {
 public:
  struct Notice {
    SessionNotice notice;
    int value;
  };
  void OnNotice(SessionNotice notice, int value, std::string_view) override { notices.push_back({notice, value}); }
  void StartMainVolumeTimer() override { ++timerStarts; }
  void StopMainVolumeTimer() override { ++timerStops; }

  std::vector<Notice> notices;
  int timerStarts = 0;
  int timerStops = 0;
};

ReplyMessage Value(std::uint32_t number, std::uintptr_t code, std::intptr_t value) {
  return ReplyMessage{number, code, value, nullptr};
}

template <typename Record>
ReplyMessage WithRecord(std::uint32_t number, std::uintptr_t code, Record record) {
  return ReplyMessage{number, code, 0, std::make_unique<Record>(std::move(record))};
}

template <typename Record>
ReplyMessage DspRecord(std::uintptr_t code, Record record) {
  return WithRecord(WM_DSP_REPLY, code, std::move(record));
}

ChannelFloatRecord FloatRecord(int scene, int output, float value) {
  ChannelFloatRecord r;
  r.scene = scene;
  r.channel = output;
  r.value = value;
  return r;
}

ChannelValueRecord ValueRecord(int scene, int output, int value) {
  ChannelValueRecord r;
  r.scene = scene;
  r.channel = output;
  r.value = value;
  return r;
}

MixRecord Mix(int scene, int source, int output, int mask) {
  MixRecord r;
  r.scene = scene;
  r.source = source;
  r.channel = output;
  r.mask = mask;
  return r;
}

LinkRecord Link(int scene, int flag) {
  LinkRecord r;
  r.scene = scene;
  r.link = flag;
  return r;
}

LockRecord Lock(int scene, int flag) {
  LockRecord r;
  r.scene = scene;
  r.lock = flag;
  return r;
}

bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

class ReplyCallbacksTest : public ::testing::Test {
 protected:
  ReplyCallbacksTest()
      : m_backend(sim::MakeVirtualBoxBackend()), m_manager(m_backend, LinkTimings{.waitCapMs = 200}) {
    m_manager.Attach(nullptr, &m_host);
  }

  Profile& Live() { return CoreTestAccess::Live(m_manager); }
  Profile& Scene(int n) { return CoreTestAccess::Mirror(m_manager).scenes[static_cast<std::size_t>(n - 1)]; }
  void Apply(const ReplyMessage& message) { m_manager.Replies().ReadDspValueCallback(message); }

  std::shared_ptr<sim::VirtualHidBackend> m_backend;
  FakeHost m_host;
  EqualizerManager m_manager;
};

TEST_F(ReplyCallbacksTest, MainVolumeDbBecomesSliderStepsAndStopsThePoll) {
  struct Case {
    int db;
    int steps;
  };
  for (const Case c : {Case{0, 28}, Case{-60, 1}, Case{6, 39}, Case{-10, 16}}) {
    Apply(Value(WM_DSP_REPLY, DSP_VOLUME, c.db));
    EXPECT_EQ(Live().mainVolume, c.steps) << c.db << " dB";
  }
  EXPECT_EQ(m_host.timerStops, 4);
}

TEST_F(ReplyCallbacksTest, SourceReplyOutsideTheSwitchCodesSelectsSourceLow) {
  struct Case {
    std::intptr_t code;
    int source;
  };
  for (const Case c : {Case{81, 0}, Case{85, 4}, Case{86, 5}, Case{89, 8}, Case{80, 4}, Case{90, 4},
                       Case{0, 4}, Case{-81, 4}}) {
    Live().inputSource = 1;
    Apply(Value(WM_DSP_REPLY, DSP_SOURCE_SWITCH, c.code));
    EXPECT_EQ(Live().inputSource, c.source) << c.code;
  }
}

TEST_F(ReplyCallbacksTest, LiveBandReplyReenablesTheBandStoredSceneKeepsItsEnable) {
  Live().channels[0].bands[3].enable = 0;
  Scene(2).channels[0].bands[3].enable = 0;
  EqBandRecord band;
  band.channel = 0;
  band.band = 3;
  band.frequency = 1250;
  band.q = 2.5f;
  band.gainDb = -4.5f;

  band.scene = 2;
  Apply(DspRecord(DSP_EQ_CH, band));
  const EqBand stored = Scene(2).channels[0].bands[3];
  EXPECT_EQ(stored, (EqBand{-4.5f, 2.5f, 1250, 0}));
  EXPECT_EQ(Live().channels[0].bands[3].enable, 0);

  band.scene = 0;
  Apply(DspRecord(DSP_EQ_CH, band));
  EXPECT_EQ(Live().channels[0].bands[3], (EqBand{-4.5f, 2.5f, 1250, 1}));
}

TEST_F(ReplyCallbacksTest, BandsAtOrBeyondTheLiveBandCountAreIgnored) {
  Live().channels[1].eqSize = 10;
  for (const int scene : {0, 4}) {
    Profile& target = scene == 0 ? Live() : Scene(scene);
    const auto before = target.channels[1].bands;
    for (const int bandIndex : {10, 30, 31, 200, -1}) {
      EqBandRecord band;
      band.scene = scene;
      band.channel = 1;
      band.band = bandIndex;
      band.frequency = 999;
      band.gainDb = 3.0f;
      Apply(DspRecord(DSP_EQ_CH, band));
    }
    EXPECT_EQ(target.channels[1].bands, before) << "scene " << scene;

    EqBandRecord last;
    last.scene = scene;
    last.channel = 1;
    last.band = 9;
    last.frequency = 777;
    Apply(DspRecord(DSP_EQ_CH, last));
    EXPECT_EQ(target.channels[1].bands[9].freq, 777) << "scene " << scene;
  }
}

// Every per-output reply for an output beyond 7 or a scene beyond 10 changes nothing.
TEST_F(ReplyCallbacksTest, OutputsAndScenesOutOfRangeAreIgnored) {
  struct Address {
    int scene;
    int output;
  };
  std::vector<Profile> before{Live()};
  for (int n = 1; n <= kSceneCount; ++n) before.push_back(Scene(n));

  for (const Address a : {Address{0, 8}, Address{0, 15}, Address{0, -1}, Address{11, 0},
                          Address{255, 2}, Address{-1, 0}}) {
    FilterRecord filter;
    filter.scene = a.scene;
    filter.channel = a.output;
    filter.hpFrequency = 300;
    filter.hpSlope = 4;
    Apply(DspRecord(DSP_FILTER_GET, filter));
    EqBandRecord band;
    band.scene = a.scene;
    band.channel = a.output;
    band.frequency = 500;
    Apply(DspRecord(DSP_EQ_CH, band));
    for (const std::uint8_t code : {DSP_DELAY_CH, DSP_TRIM_CH})
      Apply(DspRecord(code, FloatRecord(a.scene, a.output, -7.0f)));
    for (const std::uint8_t code : {DSP_MUTE_CH, DSP_PHASE_CH, DSP_CH_TYPE, DSP_EQ_BYPASS})
      Apply(DspRecord(code, ValueRecord(a.scene, a.output, 1)));
    Apply(DspRecord(DSP_MIX_CH, Mix(a.scene, 0, a.output, 0x3F)));
    CompressorRecord compressor;
    compressor.scene = a.scene;
    compressor.channel = a.output;
    compressor.ratio = 3.0f;
    Apply(DspRecord(DSP_COMPRESSOR_GET, compressor));
  }
  // Stored-scene link and lock replies for scene 11 too.
  Apply(DspRecord(DSP_CH_LINK, Link(11, 1)));
  Apply(DspRecord(DSP_CH_LOCK, Lock(11, 1)));

  EXPECT_EQ(Live(), before[0]);
  for (int n = 1; n <= kSceneCount; ++n) EXPECT_EQ(Scene(n), before[static_cast<std::size_t>(n)]) << n;
}

TEST_F(ReplyCallbacksTest, PerOutputRepliesWriteTheAddressedProfile) {
  Apply(DspRecord(DSP_DELAY_CH, FloatRecord(0, 2, 1.25f)));
  Apply(DspRecord(DSP_TRIM_CH, FloatRecord(3, 2, -12.5f)));
  Apply(DspRecord(DSP_MUTE_CH, ValueRecord(0, 7, 1)));
  Apply(DspRecord(DSP_PHASE_CH, ValueRecord(10, 5, 1)));
  Apply(DspRecord(DSP_EQ_BYPASS, ValueRecord(0, 4, 0)));
  FilterRecord filter{};
  filter.scene = 0;
  filter.channel = 6;
  filter.hpType = 2;
  filter.hpFrequency = 80;
  filter.hpSlope = 4;
  filter.lpType = 9;  // outside 1..3: Butterworth
  filter.lpFrequency = 20001;  // outside the range: 20 Hz, the box's rule
  filter.lpSlope = 0;
  const int bpType = Live().channels[6].crossover.bpType;
  Apply(DspRecord(DSP_FILTER_GET, filter));

  EXPECT_FLOAT_EQ(Live().channels[2].delay, 1.25f);
  EXPECT_FLOAT_EQ(Scene(3).channels[2].gain, -12.5f);
  EXPECT_FLOAT_EQ(Live().channels[2].gain, 0.0f);
  EXPECT_EQ(Live().channels[7].mute, 1);
  EXPECT_EQ(Scene(10).channels[5].phase, 1);
  EXPECT_EQ(Live().channels[4].bypass, 0);
  const Crossover& c = Live().channels[6].crossover;
  EXPECT_EQ(c.hp, (CrossoverFilter{80, 2, 4, 0}));
  EXPECT_EQ(c.lp, (CrossoverFilter{20, FILTER_TYPE_BUTTERWORTH, 0, 1}));
  EXPECT_EQ(c.bpType, bpType);
}

TEST_F(ReplyCallbacksTest, RoleReplyStoresCatalogueRolesOnly) {
  Apply(DspRecord(DSP_CH_TYPE, ValueRecord(0, 3, kRoleSubwoofer)));
  Apply(DspRecord(DSP_CH_TYPE, ValueRecord(2, 1, kRoleCenterFull)));
  Apply(DspRecord(DSP_CH_TYPE, ValueRecord(0, 4, kRoleCount)));
  Apply(DspRecord(DSP_CH_TYPE, ValueRecord(0, 5, 255)));
  EXPECT_EQ(Live().outputs[3], kRoleSubwoofer);
  EXPECT_EQ(Scene(2).outputs[1], kRoleCenterFull);
  EXPECT_EQ(Live().outputs[4], Profile{}.outputs[4]);
  EXPECT_EQ(Live().outputs[5], Profile{}.outputs[5]);
}

TEST_F(ReplyCallbacksTest, MixLevelZeroBecomesFullOnlyForRoutedInputs) {
  // Source hi, input 2 (bit 1): routed to outputs 1 and 3, not to outputs 0, 2 and 4.
  for (Profile* p : {&Live(), &Scene(5)}) {
    p->inputs[SOURCE_HI][1] = 0b10;
    p->inputs[SOURCE_HI][3] = 0b11;
    p->inputs[SOURCE_HI][0] = 0b01;
    p->inputs[SOURCE_HI][2] = 0;
    p->inputs[SOURCE_HI][4] = 0;
  }
  for (const int scene : {0, 5}) {
    InputMixTrimRecord trim;
    trim.scene = scene;
    trim.source = SOURCE_HI;
    trim.inputChannel = 1;
    trim.firstOutput = 0;
    trim.lastOutput = 4;
    trim.trims = {0, 0, 0, 40, -5};
    Apply(DspRecord(DSP_INPUT_MIX_CH_TRIM, trim));
    const auto& levels = (scene == 0 ? Live() : Scene(scene)).inputMixVolume[SOURCE_HI][1];
    EXPECT_EQ(levels[0], 0) << scene;
    EXPECT_EQ(levels[1], 100) << scene;
    EXPECT_EQ(levels[2], 0) << scene;
    EXPECT_EQ(levels[3], 40) << scene;
    EXPECT_EQ(levels[4], -5) << scene;
  }
}

TEST_F(ReplyCallbacksTest, MixTrimRangeIsHeldToOutputsAndRecordSlots) {
  InputMixTrimRecord trim;
  trim.source = SOURCE_OPT;
  trim.inputChannel = 0;
  trim.firstOutput = 6;
  trim.lastOutput = 1000;
  trim.trims.fill(77);
  Apply(DspRecord(DSP_INPUT_MIX_CH_TRIM, trim));
  EXPECT_EQ(Live().inputMixVolume[SOURCE_OPT][0][6], 77);
  EXPECT_EQ(Live().inputMixVolume[SOURCE_OPT][0][7], 77);

  const Profile before = Live();
  trim.source = 9;
  Apply(DspRecord(DSP_INPUT_MIX_CH_TRIM, trim));
  trim.source = 0;
  trim.inputChannel = static_cast<int>(kMixInputSlots);
  Apply(DspRecord(DSP_INPUT_MIX_CH_TRIM, trim));
  EXPECT_EQ(Live(), before);
}

TEST_F(ReplyCallbacksTest, MixReplyStoresTheMaskOfItsSource) {
  Apply(DspRecord(DSP_MIX_CH, Mix(0, SOURCE_BT, 4, 0x21)));
  Apply(DspRecord(DSP_MIX_CH, Mix(7, SOURCE_HI, 0, 0x3F)));
  Apply(DspRecord(DSP_MIX_CH, Mix(0, 9, 0, 0x3F)));
  EXPECT_EQ(Live().inputs[SOURCE_BT][4], 0x21);
  EXPECT_EQ(Scene(7).inputs[SOURCE_HI][0], 0x3F);
  EXPECT_EQ(Live().inputs[SOURCE_HI][0], Profile{}.inputs[SOURCE_HI][0]);
}

TEST_F(ReplyCallbacksTest, LinkReplySetsLockAndPairsTheOutputs) {
  Live().outputs = {kRoleFrontLeftFull, kRoleFrontRightFull, kRoleRearLeftFull, kRoleRearRightFull,
                    kRoleCenterTweeter, kRoleCenterWoofer, kRoleSubwooferLeft, kRoleSubwooferRight};
  Apply(DspRecord(DSP_CH_LINK, Link(0, 1)));
  EXPECT_EQ(Live().linkMode, 1);
  EXPECT_EQ(Live().lockMode, 1);
  EXPECT_EQ(Live().linkOutputs, (PerOutput<int>{1, 0, 3, 2, -1, -1, 7, 6}));

  Apply(DspRecord(DSP_CH_LINK, Link(0, 0)));
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().lockMode, 1);  // unlinking leaves the lock alone
  EXPECT_EQ(Live().linkOutputs, (PerOutput<int>{-1, -1, -1, -1, -1, -1, -1, -1}));
}

TEST_F(ReplyCallbacksTest, StoredSceneLinkAndLockTouchOnlyTheirFlags) {
  const Profile live = Live();
  Apply(DspRecord(DSP_CH_LINK, Link(3, 1)));
  Apply(DspRecord(DSP_CH_LOCK, Lock(4, 1)));
  EXPECT_EQ(Scene(3).linkMode, 1);
  EXPECT_EQ(Scene(3).lockMode, 0);
  EXPECT_EQ(Scene(4).lockMode, 1);
  Apply(DspRecord(DSP_CH_LINK, Link(3, 2)));
  EXPECT_EQ(Scene(3).linkMode, 0);
  EXPECT_EQ(Live(), live);
}

TEST_F(ReplyCallbacksTest, UnlockClearsLinkAndTellsTheBoxOnce) {
  auto box = m_backend->Box();
  CoreTestAccess::Link(m_manager).OpenHIDDevice();
  ASSERT_TRUE(CoreTestAccess::Link(m_manager).IsDeviceOpen());
  CoreTestAccess::Link(m_manager).EnableQueue();

  Apply(DspRecord(DSP_CH_LOCK, Lock(0, 0)));  // not linked: nothing to undo
  Apply(DspRecord(DSP_CH_LINK, Link(0, 1)));
  ASSERT_EQ(Live().lockMode, 1);
  Apply(DspRecord(DSP_CH_LOCK, Lock(0, 0)));

  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().linkOutputs, (PerOutput<int>{-1, -1, -1, -1, -1, -1, -1, -1}));
  const sim::BoxCommand linkOff{DSP_PACKET, DSP_CH_LINK, OP_SET, {0, 0, 0}};
  const auto linkCommands = [&] {
    int n = 0;
    for (const auto& c : box->Commands()) n += c.packetType == DSP_PACKET && c.commandId == DSP_CH_LINK;
    return n;
  };
  ASSERT_TRUE(Eventually([&] { return linkCommands() >= 1; }));
  EXPECT_TRUE(Eventually([&] { return CoreTestAccess::Link(m_manager).QueuedCommands() == 0; }));
  EXPECT_EQ(linkCommands(), 1);
  for (const auto& c : box->Commands()) {
    if (c.commandId == DSP_CH_LINK && c.packetType == DSP_PACKET) {
      EXPECT_EQ(c, linkOff);
    }
  }
  CoreTestAccess::Link(m_manager).DisableQueue();
  CoreTestAccess::Link(m_manager).CloseHIDDevice(false);
}

TEST_F(ReplyCallbacksTest, HandshakeOfAForeignModelInNormalModeShowsTheModel) {
  struct Case {
    int model;
    bool normal;
    bool message;
  };
  for (const Case c : {Case{12, true, true}, Case{79, true, false}, Case{12, false, false},
                       Case{0, true, true}}) {
    m_host.notices.clear();
    CoreTestAccess::Link(m_manager).SetApplicationMode(c.normal);
    HandshakeRecord handshake;
    handshake.model = c.model;
    handshake.masterVersion = 16;
    handshake.slaveVersion = 3;
    m_manager.Replies().ReadMcuValueCallback(WithRecord(WM_MCU_REPLY, MCU_HANDSHAKE, handshake));
    EXPECT_EQ(Live().model, c.model);
    EXPECT_EQ(Live().mainVersion, 16);
    EXPECT_EQ(Live().slaveVersion, 3);
    ASSERT_EQ(m_host.notices.size(), c.message ? 1u : 0u) << c.model << " " << c.normal;
    if (!c.message) continue;
    EXPECT_EQ(m_host.notices.front().notice, SessionNotice::DeviceNotMatch);
    EXPECT_EQ(m_host.notices.front().value, c.model);
  }
}

TEST_F(ReplyCallbacksTest, McuStatusAndPowerOffDelay) {
  FlashVersionRecord status;
  status.version = {1, 0, 2, 3};
  m_manager.Replies().ReadMcuValueCallback(WithRecord(WM_MCU_REPLY, MCU_GET_DSPFLASH_VER, status));
  m_manager.Replies().ReadMcuValueCallback(Value(WM_MCU_REPLY, MCU_POWER_OFF_DELAY, 3000));
  EXPECT_EQ(Live().mcuStatus, (std::array<int, 4>{1, 0, 2, 3}));
  EXPECT_EQ(Live().powerOffDelay, 3000);
}

TEST_F(ReplyCallbacksTest, WholeBoxValues) {
  Apply(Value(WM_DSP_REPLY, DSP_MUTE, 1));
  Apply(Value(WM_DSP_REPLY, DSP_INPUT_THRESHOLD, -42));
  Apply(Value(WM_DSP_REPLY, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, 1));
  EXPECT_EQ(Live().mainVolumeMute, 1);
  EXPECT_EQ(Live().noiseThreshold, -42);
  EXPECT_EQ(Live().autoEffect, 1);

  CompressorRecord compressor;
  compressor.scene = 0;
  compressor.channel = 3;
  compressor.bypass = 0;
  compressor.thresholdDb = -20;
  compressor.ratio = 4.0f;
  compressor.attack = 10;
  compressor.release = 200;
  compressor.softKnee = 6.0f;
  Apply(DspRecord(DSP_COMPRESSOR_GET, compressor));
  EXPECT_EQ(Live().compressor[3], (CompressorSettings{0, -20.0f, 4.0f, 10, 200, 6.0f}));
}

TEST_F(ReplyCallbacksTest, AWrongRecordTypeOrNoRecordChangesNothing) {
  const Profile before = Live();
  for (const std::uint8_t code : {DSP_FILTER_GET, DSP_EQ_CH, DSP_DELAY_CH, DSP_MIX_CH, DSP_CH_LINK,
                                  DSP_CH_LOCK, DSP_INPUT_MIX_CH_TRIM, DSP_COMPRESSOR_GET, INPUT_NOISE,
                                  DSP_HPF_Q_FACT_MODE}) {
    Apply(DspRecord(code, SpeakerConfigRecord{}));
    Apply(Value(WM_DSP_REPLY, code, 5));
  }
  m_manager.Replies().ReadMcuValueCallback(Value(WM_MCU_REPLY, MCU_HANDSHAKE, 12));
  m_manager.Replies().ReadSceneValueCallback(Value(WM_SCENE_REPLY, FLASH_SCENE_NAME, 0));
  EXPECT_EQ(Live(), before);
  EXPECT_TRUE(m_host.notices.empty());
}

TEST_F(ReplyCallbacksTest, KaraokeKindsOneToTenOnly) {
  for (int kind = 1; kind <= 10; ++kind)
    m_manager.Replies().ReadKtvValueCallback(Value(WM_KTV_REPLY, static_cast<std::uintptr_t>(kind), kind * 3));
  for (int kind = 1; kind <= 10; ++kind)
    EXPECT_EQ(Live().ktv[static_cast<std::size_t>(KtvSlot(kind))], kind * 3) << kind;
  const Profile before = Live();
  for (const std::uintptr_t kind : {std::uintptr_t{0}, std::uintptr_t{11}, std::uintptr_t{0x100000001}})
    m_manager.Replies().ReadKtvValueCallback(Value(WM_KTV_REPLY, kind, 99));
  EXPECT_EQ(Live(), before);
}

// Scene replies come from the virtual box through the link's own decoders: the scene
// records cannot be built here beside the mirror's header.
class SceneReplyTest : public ReplyCallbacksTest {
 protected:
  SceneReplyTest() {
    InstallReplyDecoders(CoreTestAccess::Link(m_manager));
    CoreTestAccess::Link(m_manager).Register(ReplySlot::MainWindowHandle, &m_target);
    CoreTestAccess::Link(m_manager).OpenHIDDevice();
  }
  ~SceneReplyTest() override {
    CoreTestAccess::Link(m_manager).CloseHIDDevice(false);
    CoreTestAccess::Link(m_manager).Unregister(&m_target);
  }

  void NameScene(int scene, const std::string& name) {
    m_backend->Box()->Modify([&](sim::BoxState& state) {
      sim::SceneSlot& slot = state.scenes[static_cast<std::size_t>(scene - 1)];
      slot.erased = false;
      slot.name.fill(0);
      std::copy_n(name.begin(), std::min(name.size(), slot.name.size()), slot.name.begin());
    });
  }

  /// Asks the box and applies every scene reply that came back; returns how many.
  int Apply(const std::function<bool(DeviceLink&)>& query) {
    EXPECT_TRUE(query(CoreTestAccess::Link(m_manager)));
    int applied = 0;
    for (ReplyMessage& message : m_target.Take()) {
      if (message.number != WM_SCENE_REPLY) continue;
      m_manager.Replies().ReadSceneValueCallback(message);
      ++applied;
    }
    return applied;
  }

  test::RecordingTarget m_target;
};

TEST_F(SceneReplyTest, SceneNameKeepsSevenCharacters) {
  NameScene(3, "ABCDEFGHIJKLMNOP");
  NameScene(10, "Hall");
  ASSERT_EQ(Apply([](DeviceLink& link) { return AskSceneName(link, 3); }), 1);
  ASSERT_EQ(Apply([](DeviceLink& link) { return AskSceneName(link, 10); }), 1);
  const SceneName& name = m_manager.Mirror().sceneNames[2];
  EXPECT_EQ(std::u16string(name.data()), u"ABCDEFG");
  EXPECT_EQ(name[7], u'\0');
  EXPECT_EQ(std::u16string(m_manager.Mirror().sceneNames[9].data()), u"Hall");
}

TEST_F(SceneReplyTest, SceneNameWithUndefinedBytesIsReplacedNotCrashed) {
  // 0x81 and 0x8D are undefined in CP1252, the code page of the default language.
  NameScene(1, "\x81" "A\x8d");
  ASSERT_EQ(Apply([](DeviceLink& link) { return AskSceneName(link, 1); }), 1);
  EXPECT_EQ(std::u16string(m_manager.Mirror().sceneNames[0].data()), u"\uFFFDA\uFFFD");
}

TEST_F(SceneReplyTest, SceneValidMaskIsStored) {
  m_backend->Box()->Modify([](sim::BoxState& state) {
    state.scenes[0].valid = true;
    state.scenes[2].valid = true;
    state.scenes[9].valid = true;
  });
  ASSERT_EQ(Apply([](DeviceLink& link) { return AskSceneValid(link); }), 1);
  EXPECT_EQ(m_manager.Mirror().sceneValid, 0x0205u);
}

}  // namespace
}  // namespace qb
