// The program's device link against the virtual box: every query answered and decoded into
// the record the program expects with the box's values, every setter read back through the
// program's own query and decoder, scenes, and the link's behaviour when the box fails.
#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <thread>

#include "devicelink/device_link.h"
#include "devicelink/dsp_queries.h"
#include "devicelink/dsp_records.h"
#include "devicelink/dsp_replies.h"
#include "devicelink/dsp_setters.h"
#include "devicelink/karaoke_commands.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/mcu_records.h"
#include "devicelink/memory_commands.h"
#include "devicelink/scene_commands.h"
#include "devicelink/scene_records.h"
#include "simulator/virtual_hid.h"
#include "tests/support/recording_target.h"

namespace qb {
namespace {

using namespace std::chrono_literals;
using sim::BoxState;
using Messages = std::vector<ReplyMessage>;

/// Replies come within a few milliseconds; the cap only bounds waits that must fail.
constexpr std::uint32_t kWaitCapMs = 150;

class LinkIntegration : public ::testing::Test {
 protected:
  LinkIntegration()
      : backend(sim::MakeVirtualBoxBackend()),
        box(*backend->Box()),
        link(backend, LinkTimings{kWaitCapMs, 5}) {
    link.SetLinkConfig(79, 8, 6, false, false);
    InstallDecoderTables(link, {DspReplyDecoders(), McuReplyDecoders(), SceneReplyDecoders(),
                                KaraokeReplyDecoders(), MemoryReplyDecoders()});
    link.Register(ReplySlot::MainWindowHandle, &main);
    link.Register(ReplySlot::SceneWindowHandle, &scene);
    link.Register(ReplySlot::NoiseWindowHandle, &noise);
    link.Register(ReplySlot::MemoryWindowHandle, &memory);
    box.Modify(Distinctive);
    link.OpenHIDDevice();
  }
  ~LinkIntegration() override {
    link.Unregister(&main);
    link.Unregister(&scene);
    link.Unregister(&noise);
    link.Unregister(&memory);
    link.CloseHIDDevice(false);
  }

  /// Values that differ per channel, band and source, so a decoder that mixes them up shows.
  static void Distinctive(BoxState& s) {
    for (std::size_t o = 0; o < 8; ++o) {
      auto& out = s.live.outputs[o];
      const auto k = static_cast<int>(o);
      out.delayMs = 0.5 * k + 0.125;
      out.volumeDb = -k - 1;
      out.mute = static_cast<std::uint8_t>(o % 2);
      out.phase = static_cast<std::uint8_t>((o / 2) % 2);
      out.eqBypass = static_cast<std::uint8_t>(o % 3 == 0);
      out.solo = static_cast<std::uint8_t>(o == 5);
      out.hpfQMode = static_cast<std::uint8_t>(o % 3);
      out.lpfQMode = static_cast<std::uint8_t>((o + 1) % 3);
      out.distort = static_cast<std::uint8_t>(o == 6);
      out.compressor = sim::Compressor{0, -30.0 + k, 2.5 + k, 3.5, static_cast<std::uint16_t>(10 + k),
                                       static_cast<std::uint16_t>(200 + k)};
      for (std::size_t b = 0; b < sim::kEqBands; ++b) {
        out.bands[b].gainDb = -6.0 + static_cast<double>((b + o) % 13);
        out.bands[b].q = 0.5 + 0.25 * static_cast<double>(b % 9);
      }
    }
    for (std::size_t src = 0; src < kInputSourceCount; ++src) {
      for (std::size_t in = 0; in < 6; ++in) {
        auto& input = s.live.sources[src].inputs[in];
        input.trim = static_cast<std::uint8_t>(10 * src + in);
        input.mute = static_cast<std::uint8_t>(in == 2);
        input.phase = static_cast<std::uint8_t>(in == 3);
        input.distort = static_cast<std::uint8_t>(in == 4);
        input.eq[in].gainDb = 3.5;
        for (std::size_t o = 0; o < 8; ++o) {
          s.live.sources[src].mixTrim[in][o] = static_cast<std::uint8_t>(o * 10 + in);
        }
      }
      s.live.sources[src].mixType = static_cast<std::uint8_t>(src % 4);
      s.live.sources[src].mixType2 = static_cast<std::uint8_t>((src + 1) % 4);
    }
    s.live.link = sim::ChannelLink{1, {{0, 1}}};
    s.live.trimLink = sim::ChannelLink{1, {{2, 3}}};
    s.live.lock = 1;
    s.live.subwooferVolume = -4;
    s.live.mainMute = 1;
    s.live.ampMute = 1;
    s.live.remoteChannel = 0x0102;
    s.live.speakerConfig = 0x33;
    s.live.factoryPreset = 2;
    s.live.setupMode = 1;
    s.live.autoEffect = 1;
    s.live.mixSource = 4;
    s.live.inputThreshold = -45;
    s.password = {'4', '2'};
    s.remark = {'c', 'a', 'r'};
    s.memory[0x20] = 0xDEADBEEF;
    for (std::uint8_t id = KTV_MIC_VOL; id <= KTV_TREBLE_GAIN; ++id) s.karaoke[id] = id + 20;
    s.karaoke[KTV_BASS_GAIN] = -5;
  }

  Messages TakeAll() {
    // Let anything still in flight arrive before the targets are read.
    Messages all = main.Take();
    for (test::RecordingTarget* t : {&scene, &noise, &memory}) {
      for (ReplyMessage& m : t->Take()) all.push_back(std::move(m));
    }
    return all;
  }

  std::shared_ptr<sim::VirtualHidBackend> backend;
  sim::VirtualBox& box;
  test::RecordingTarget main, scene, noise, memory;
  DeviceLink link;
};

template <typename Record>
std::vector<const Record*> Records(const Messages& messages) {
  std::vector<const Record*> records;
  for (const ReplyMessage& m : messages) {
    if (const Record* r = m.RecordAs<Record>()) records.push_back(r);
  }
  return records;
}

/// The plain value of the only message, or a failure.
std::intptr_t Value(const Messages& messages, std::uint32_t number, std::uintptr_t wParam) {
  EXPECT_EQ(messages.size(), 1u);
  if (messages.size() != 1) return -9999;
  EXPECT_EQ(messages[0].number, number);
  EXPECT_EQ(messages[0].wParam, wParam);
  return messages[0].lParam;
}

struct QueryCase {
  const char* name;
  std::function<bool(DeviceLink&)> query;
  std::function<void(const Messages&, const BoxState&, DeviceLink&)> check;
};

std::vector<QueryCase> QueryCases() {
  using L = DeviceLink&;
  const auto dsp = [](std::uintptr_t id) {
    return [id](const Messages& m, std::intptr_t expected) { EXPECT_EQ(Value(m, WM_DSP_REPLY, id), expected); };
  };
  return {
      {"source", [](L l) { return Get_Source(l); },
       [dsp](const Messages& m, const BoxState& s, L) { dsp(DSP_SOURCE_SWITCH)(m, 0x51 + s.live.source); }},
      {"main volume", [](L l) { return Get_Main_Volume(l); },
       [dsp](const Messages& m, const BoxState& s, L) { dsp(DSP_VOLUME)(m, s.live.mainVolumeDb); }},
      {"subwoofer volume", [](L l) { return Get_Subwoofer_Volume(l); },
       [dsp](const Messages& m, const BoxState& s, L) { dsp(DSP_SUBWOOFER_VOLUME)(m, s.live.subwooferVolume); }},
      {"main mute", [](L l) { return Get_Mute(l); },
       [dsp](const Messages& m, const BoxState& s, L) { dsp(DSP_MUTE)(m, s.live.mainMute); }},
      {"filters", [](L l) { return Get_Filter(l, 0, 0, 0, 3); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<FilterRecord>(m);
         ASSERT_EQ(r.size(), 4u);
         for (std::size_t i = 0; i < 4; ++i) {
           const auto& o = s.live.outputs[i];
           EXPECT_EQ(r[i]->channel, static_cast<int>(i));
           EXPECT_EQ(r[i]->hpType, o.highPass.family);
           EXPECT_EQ(r[i]->hpFrequency, o.highPass.freqHz);
           EXPECT_EQ(r[i]->hpSlope, o.highPass.slope);
           EXPECT_EQ(r[i]->lpType, o.lowPass.family);
           EXPECT_EQ(r[i]->lpFrequency, o.lowPass.freqHz);
           EXPECT_EQ(r[i]->lpSlope, o.lowPass.slope);
         }
       }},
      {"eq bands", [](L l) { return Get_EQ(l, 0, 0, 2, 8, 15); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<EqBandRecord>(m);
         ASSERT_EQ(r.size(), 8u);
         for (std::size_t i = 0; i < 8; ++i) {
           const auto& b = s.live.outputs[2].bands[8 + i];
           EXPECT_EQ(r[i]->channel, 2);
           EXPECT_EQ(r[i]->band, static_cast<int>(8 + i));
           EXPECT_EQ(r[i]->frequency, b.freqHz);
           EXPECT_NEAR(r[i]->q, b.q, 1e-4);
           EXPECT_NEAR(r[i]->gainDb, b.gainDb, 1e-4);
         }
       }},
      {"delays", [](L l) { return Get_Delay(l, 0, 0, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<ChannelFloatRecord>(m);
         ASSERT_EQ(r.size(), 8u);
         for (std::size_t i = 0; i < 8; ++i) EXPECT_NEAR(r[i]->value, s.live.outputs[i].delayMs, 1e-4);
       }},
      {"trims", [](L l) { return Get_Trim(l, 0, 0, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<ChannelFloatRecord>(m);
         ASSERT_EQ(r.size(), 8u);
         for (std::size_t i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(r[i]->value, static_cast<float>(s.live.outputs[i].volumeDb));
       }},
      {"mutes, phases, roles, eq bypass, solo", [](L l) {
         return Get_Mute_Ch(l, 0, 0, 0, 7) && Get_Phase(l, 0, 0, 0, 7) && Get_CH_Type(l, 0, 0, 0, 7) &&
                Get_PEQ_Bypass(l, 0, 0, 0, 7) && Get_Ch_Solo(l, 0, 0, 0, 7);
       },
       [](const Messages& m, const BoxState& s, L) {
         ASSERT_EQ(m.size(), 40u);
         const std::uint8_t sim::OutputChannel::*fields[] = {&sim::OutputChannel::mute, &sim::OutputChannel::phase,
                                                             &sim::OutputChannel::role, &sim::OutputChannel::eqBypass,
                                                             &sim::OutputChannel::solo};
         const std::uintptr_t ids[] = {DSP_MUTE_CH, DSP_PHASE_CH, DSP_CH_TYPE, DSP_EQ_BYPASS, DSP_CH_SOLO};
         for (std::size_t q = 0; q < 5; ++q) {
           for (std::size_t i = 0; i < 8; ++i) {
             const ReplyMessage& msg = m[q * 8 + i];
             EXPECT_EQ(msg.wParam, ids[q]);
             const auto* r = msg.RecordAs<ChannelValueRecord>();
             ASSERT_NE(r, nullptr);
             EXPECT_EQ(r->channel, static_cast<int>(i));
             EXPECT_EQ(r->value, s.live.outputs[i].*fields[q]);
           }
         }
       }},
      {"routing", [](L l) { return Get_Mix_Ch(l, 0, 5, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<MixRecord>(m);
         ASSERT_EQ(r.size(), 8u);
         for (std::size_t i = 0; i < 8; ++i) {
           EXPECT_EQ(r[i]->source, 5);
           EXPECT_EQ(r[i]->mask, s.live.sources[5].mixMask[i]);
         }
       }},
      {"links and lock", [](L l) { return Get_CH_Link(l, 0) && Get_CH_Trim_Link(l, 0) && Get_CH_Delay_Link(l, 0) && Get_CH_Lock(l, 0); },
       [](const Messages& m, const BoxState& s, L) {
         const auto links = Records<LinkRecord>(m);
         ASSERT_EQ(links.size(), 3u);
         EXPECT_EQ(links[0]->link, s.live.link.on);
         EXPECT_EQ(links[1]->link, s.live.trimLink.on);
         EXPECT_EQ(links[2]->link, s.live.delayLink.on);
         EXPECT_EQ(links[0]->linkData[0], 0x01);
         const auto lock = Records<LockRecord>(m);
         ASSERT_EQ(lock.size(), 1u);
         EXPECT_EQ(lock[0]->lock, s.live.lock);
       }},
      {"input channels", [](L l) { return Get_Input_Trim(l, 0, 5, 0, 5) && Get_Mute_Input_Ch(l, 0, 5, 0, 5) && Get_Phase_Input_Ch(l, 0, 5, 0, 5); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<InputChannelsRecord>(m);
         ASSERT_EQ(r.size(), 3u);
         for (std::size_t in = 0; in < 6; ++in) {
           const auto& input = s.live.sources[5].inputs[in];
           EXPECT_EQ(r[0]->values[in], input.trim);
           EXPECT_EQ(r[1]->values[in], input.mute);
           EXPECT_EQ(r[2]->values[in], input.phase);
         }
         EXPECT_EQ(r[0]->last, 5);
       }},
      {"input eq", [](L l) { return Get_Input_EQ(l, 0, 5, 1, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<EqBandRecord>(m);
         ASSERT_EQ(r.size(), 8u);
         EXPECT_NEAR(r[1]->gainDb, s.live.sources[5].inputs[1].eq[1].gainDb, 1e-4);
         EXPECT_NEAR(r[1]->q, s.live.sources[5].inputs[1].eq[1].q, 1e-4);
       }},
      {"input mix levels", [](L l) { return Get_Input_Mix_CH_Trim(l, 0, 5, 3, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<InputMixTrimRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         for (std::size_t o = 0; o < 8; ++o) EXPECT_EQ(r[0]->trims[o], static_cast<std::int8_t>(s.live.sources[5].mixTrim[3][o]));
       }},
      {"threshold", [](L l) { return Get_Input_Threshold(l, 0, 0, true); },
       [dsp](const Messages& m, const BoxState& s, L) { dsp(DSP_INPUT_THRESHOLD)(m, s.live.inputThreshold); }},
      {"input noise to its own slot", [](L l) { return Get_Input_Noise(l, 0, 5, true); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<NoiseRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         for (std::size_t in = 0; in < 6; ++in) EXPECT_NEAR(r[0]->noiseDb[in], s.inputNoiseDb[in], 1e-4);
       }},
      {"remote channel", [](L l) { return Get_Remote_CH(l); },
       [dsp](const Messages& m, const BoxState& s, L) { dsp(DSP_REMOTE_CH)(m, s.live.remoteChannel); }},
      {"speaker configuration", [](L l) { return Get_Speaker_Config(l); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<SpeakerConfigRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->config, s.live.speakerConfig);
       }},
      {"mix types", [](L l) { return Get_Mix_Type(l, 0, 3) && Get_Mix_Type2(l, 0, 5); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<MixTypeRecord>(m);
         ASSERT_EQ(r.size(), 2u);
         EXPECT_EQ(r[0]->source, 3);
         EXPECT_EQ(r[0]->mixType, s.live.sources[3].mixType);
         EXPECT_EQ(r[1]->source, 5);
         EXPECT_EQ(r[1]->mixType, s.live.sources[5].mixType2);
       }},
      {"Q factor modes", [](L l) { return Get_HPF_Q_Fact_Mode(l, 0, 0, 0, 7) && Get_LPF_Q_Fact_Mode(l, 0, 0, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<QFactorRecord>(m);
         ASSERT_EQ(r.size(), 2u);
         for (std::size_t o = 0; o < 8; ++o) {
           EXPECT_EQ(r[0]->modes[o], s.live.outputs[o].hpfQMode);
           EXPECT_EQ(r[1]->modes[o], s.live.outputs[o].lpfQMode);
         }
       }},
      {"single values", [](L l) {
         return Get_Factory_Preset(l) && Get_Setup_Mode(l) && Get_AUTO_ON(l) && Get_Amp_Mute(l) && Get_Mix_Source(l);
       },
       [](const Messages& m, const BoxState& s, L) {
         ASSERT_EQ(m.size(), 5u);
         EXPECT_EQ(m[0].lParam, s.live.factoryPreset);
         EXPECT_EQ(m[1].lParam, s.live.setupMode);
         EXPECT_EQ(m[2].lParam, s.live.autoEffect);
         EXPECT_EQ(m[3].lParam, s.live.ampMute);
         EXPECT_EQ(m[4].lParam, s.live.mixSource);
       }},
      {"compressor", [](L l) { return Get_Compressor(l, 0, 0, 3, 3); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<CompressorRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         const auto& c = s.live.outputs[3].compressor;
         EXPECT_EQ(r[0]->bypass, c.bypass);
         EXPECT_EQ(r[0]->thresholdDb, static_cast<int>(c.thresholdDb));
         EXPECT_NEAR(r[0]->ratio, c.ratio, 1e-4);
         EXPECT_NEAR(r[0]->softKnee, c.kneeDb, 1e-4);
         EXPECT_EQ(r[0]->attack, c.attack);
         EXPECT_EQ(r[0]->release, c.release);
       }},
      {"distortion", [](L l) { return Get_InDistort(l, 0, 5, 0, 5) && Get_OutDistort(l, 0, 0, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto in = Records<InputDistortRecord>(m);
         const auto out = Records<OutputDistortRecord>(m);
         ASSERT_EQ(in.size(), 1u);
         ASSERT_EQ(out.size(), 1u);
         for (std::size_t c = 0; c < 6; ++c) EXPECT_EQ(in[0]->values[c], s.live.sources[5].inputs[c].distort);
         for (std::size_t c = 0; c < 8; ++c) EXPECT_EQ(out[0]->values[c], s.live.outputs[c].distort);
       }},
      {"speaker distances", [](L l) { return Get_Spk_Dist(l, 0, 0, 0, 7); },
       [](const Messages& m, const BoxState& s, L) {
         const auto r = Records<SpeakerDistanceRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         for (std::size_t o = 0; o < 8; ++o) EXPECT_EQ(r[0]->distance[o], s.live.outputs[o].speakerDistance);
       }},
      {"handshake", [](L l) { return Hand_Connect(l); },
       [](const Messages& m, const BoxState&, L l) {
         const auto r = Records<HandshakeRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->model, 79);
         EXPECT_EQ(r[0]->masterVersion, 16);
         EXPECT_EQ(r[0]->slaveVersion, 16);
         EXPECT_EQ(l.Model(), 79);
         EXPECT_TRUE(l.ApplicationMode());
       }},
      {"versions", [](L l) { return Get_Flash_Version(l) && Get_Bootloader_Version(l); },
       [](const Messages& m, const BoxState&, L l) {
         const auto r = Records<FlashVersionRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->version, (std::array<std::int32_t, 4>{1, 0, 2, 3}));
         EXPECT_EQ(l.BootloaderVersion(), 3);
       }},
      {"password and text", [](L l) { Get_MCU_Text(l, true); return Get_PWD(l); },
       [](const Messages& m, const BoxState& s, L) {
         const auto pwd = Records<PasswordRecord>(m);
         ASSERT_EQ(pwd.size(), 1u);
         EXPECT_EQ(pwd[0]->passwordLength, 2);
         EXPECT_EQ(pwd[0]->password[1], '2');
         EXPECT_EQ(pwd[0]->remarkLength, 3);
         EXPECT_EQ(pwd[0]->remark[2], 'r');
         const auto text = Records<TextRecord>(m);
         ASSERT_EQ(text.size(), 1u);
         EXPECT_EQ(text[0]->length, s.text.size());
         EXPECT_EQ(text[0]->text[0], 'Z');
       }},
      {"power-off and ignition delays", [](L l) { return Get_Delay_Power_Off_Time(l) && Get_Acc(l); },
       [](const Messages& m, const BoxState& s, L) {
         ASSERT_EQ(m.size(), 2u);
         EXPECT_EQ(m[0].lParam, s.powerOffDelayMs);
         EXPECT_EQ(m[1].lParam, s.accDelay);
       }},
      {"karaoke", [](L l) {
         return Get_KTV_Mic_Vol(l) && Get_KTV_Music_Vol(l) && Get_KTV_Howling(l) && Get_KTV_Echo_Level(l) &&
                Get_KTV_Echo_Delay(l) && Get_KTV_Reverb_Level(l) && Get_KTV_Reverb_Time(l) &&
                Get_KTV_Voice_Changer(l) && Get_KTV_Bass_Gain(l) && Get_KTV_Treble_Gain(l);
       },
       [](const Messages& m, const BoxState& s, L) {
         ASSERT_EQ(m.size(), 10u);
         for (std::uint8_t id = KTV_MIC_VOL; id <= KTV_TREBLE_GAIN; ++id) {
           EXPECT_EQ(m[id - 1].number, WM_KTV_REPLY);
           EXPECT_EQ(m[id - 1].wParam, id);
           EXPECT_EQ(m[id - 1].lParam, s.karaoke[id]);
         }
       }},
      {"memory word", [](L l) { return Get_MemData(l, 0x20); },
       [](const Messages& m, const BoxState&, L) {
         const auto r = Records<MemDataRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->address, 0x20u);
         EXPECT_EQ(r[0]->data, 0xDEADBEEFu);
       }},
      {"scene names, valid mask, current scene", [](L l) {
         return Get_Scene_Name(l, 1) && Get_Scene_Name(l, 2) && Get_Scene_Valid(l) && Get_Scene_ID(l);
       },
       [](const Messages& m, const BoxState& s, L) {
         const auto names = Records<SceneNameRecord>(m);
         ASSERT_EQ(names.size(), 2u);
         EXPECT_EQ(names[0]->index, 0);
         EXPECT_EQ(names[0]->name[0], 'D');
         EXPECT_EQ(names[1]->index, 1);
         EXPECT_EQ(names[1]->name, SceneNameBytes{});  // erased flash decodes as empty
         const auto valid = Records<ValidScenesRecord>(m);
         ASSERT_EQ(valid.size(), 1u);
         EXPECT_EQ(valid[0]->mask, s.ValidMask());
         ASSERT_EQ(m.size(), 4u);
         EXPECT_EQ(m[3].number, WM_SCENE_ID);
         EXPECT_EQ(m[3].lParam, s.currentScene);
       }},
      {"source configuration is only logged", [](L l) { return Get_Source_Config(l); },
       [](const Messages& m, const BoxState&, L) { EXPECT_TRUE(m.empty()); }},
  };
}

TEST_F(LinkIntegration, EveryQueryIsAnsweredAndDecodedWithTheBoxValues) {
  ASSERT_TRUE(link.IsDeviceOpen());
  const BoxState state = box.State();
  for (const QueryCase& c : QueryCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.query(link));
    c.check(TakeAll(), state, link);
  }
}

struct SetCase {
  const char* name;
  std::function<void(DeviceLink&)> set;
  std::function<bool(DeviceLink&)> get;
  std::function<void(const Messages&, const BoxState&)> check;
};

std::vector<SetCase> SetCases() {
  using L = DeviceLink&;
  return {
      {"source", [](L l) { Source_Switch_Ctrl(l, 0x53, true); }, [](L l) { return Get_Source(l); },
       [](const Messages& m, const BoxState& s) { EXPECT_EQ(s.live.source, SOURCE_BT); EXPECT_EQ(Value(m, WM_DSP_REPLY, DSP_SOURCE_SWITCH), 0x53); }},
      {"main volume -6 dB sent as 6 - dB", [](L l) { Main_Volume_Ctrl(l, 6.0f - -6.0f, true); }, [](L l) { return Get_Main_Volume(l); },
       [](const Messages& m, const BoxState& s) { EXPECT_EQ(s.live.mainVolumeDb, -6); EXPECT_EQ(Value(m, WM_DSP_REPLY, DSP_VOLUME), -6); }},
      {"subwoofer volume", [](L l) { Subwoofer_Volume_Ctrl(l, -9, true); }, [](L l) { return Get_Subwoofer_Volume(l); },
       [](const Messages& m, const BoxState& s) { EXPECT_EQ(s.live.subwooferVolume, -9); EXPECT_EQ(Value(m, WM_DSP_REPLY, DSP_SUBWOOFER_VOLUME), -9); }},
      {"main mute", [](L l) { Mute_Ctrl(l, 0, true); }, [](L l) { return Get_Mute(l); },
       [](const Messages& m, const BoxState& s) { EXPECT_EQ(s.live.mainMute, 0); EXPECT_EQ(Value(m, WM_DSP_REPLY, DSP_MUTE), 0); }},
      {"filter", [](L l) { Filter_Ctrl(l, 0, 0, 3, FILTER_SELECT_HIGH_PASS, 120, 6, FILTER_TYPE_BESSEL, true); },
       [](L l) { return Get_Filter(l, 0, 0, 3, 3); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_EQ(s.live.outputs[3].highPass.freqHz, 120);
         const auto r = Records<FilterRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->hpFrequency, 120); EXPECT_EQ(r[0]->hpSlope, 6); EXPECT_EQ(r[0]->hpType, FILTER_TYPE_BESSEL);
       }},
      {"eq band: Q in tenths, read back in hundredths", [](L l) { EQ_Ctrl(l, 0, 0, 1, 4, 1250, 2.5f, -3.3f, true); },
       [](L l) { return Get_EQ(l, 0, 0, 1, 4, 4); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_NEAR(s.live.outputs[1].bands[4].q, 2.5, 1e-6);
         const auto r = Records<EqBandRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->frequency, 1250); EXPECT_FLOAT_EQ(r[0]->q, 2.5f); EXPECT_NEAR(r[0]->gainDb, -3.3f, 1e-5);
       }},
      {"delay", [](L l) { const float d[] = {7.25f, 0.021f}; Delay_Ctrl(l, 0, 0, 6, 7, d, true); },
       [](L l) { return Get_Delay(l, 0, 0, 6, 7); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_NEAR(s.live.outputs[6].delayMs, 7.25, 1e-9);
         const auto r = Records<ChannelFloatRecord>(m);
         ASSERT_EQ(r.size(), 2u);
         EXPECT_FLOAT_EQ(r[0]->value, 7.25f); EXPECT_NEAR(r[1]->value, 0.021f, 1e-6);
       }},
      {"trim: the negated volume goes out, the volume comes back", [](L l) { const float t[] = {12.0f}; Trim_Ctrl(l, 0, 0, 2, 2, t, true); },
       [](L l) { return Get_Trim(l, 0, 0, 2, 2); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_EQ(s.live.outputs[2].volumeDb, -12.0);
         const auto r = Records<ChannelFloatRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_FLOAT_EQ(r[0]->value, -12.0f);
       }},
      {"output bytes", [](L l) {
         const std::uint8_t one[] = {1};
         const std::uint8_t role[] = {14};
         Mute_Ch_Ctrl(l, 0, 0, 0, 0, one, true); Phase_Ctrl(l, 0, 0, 0, 0, one, true);
         CH_Type_Ctrl(l, 0, 0, 0, 0, role, true); PEQ_Bypass_Ctrl(l, 0, 0, 1, 1, one, true);
         Solo_Ctrl(l, 0, 0, 0, 0, one, true);
       },
       [](L l) { return Get_Mute_Ch(l, 0, 0, 0, 0) && Get_Phase(l, 0, 0, 0, 0) && Get_CH_Type(l, 0, 0, 0, 0) &&
                        Get_PEQ_Bypass(l, 0, 0, 1, 1) && Get_Ch_Solo(l, 0, 0, 0, 0); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_EQ(s.live.outputs[0].role, 14);
         const auto r = Records<ChannelValueRecord>(m);
         ASSERT_EQ(r.size(), 5u);
         EXPECT_EQ(r[0]->value, 1); EXPECT_EQ(r[1]->value, 1); EXPECT_EQ(r[2]->value, 14);
         EXPECT_EQ(r[3]->value, 1); EXPECT_EQ(r[4]->value, 1);
       }},
      {"Q factor modes", [](L l) { const std::uint8_t v[] = {2}; HPF_Q_Fact_Ctrl(l, 0, 0, 4, 4, v, true); LPF_Q_Fact_Ctrl(l, 0, 0, 4, 4, v, true); },
       [](L l) { return Get_HPF_Q_Fact_Mode(l, 0, 0, 4, 4) && Get_LPF_Q_Fact_Mode(l, 0, 0, 4, 4); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<QFactorRecord>(m);
         ASSERT_EQ(r.size(), 2u);
         EXPECT_EQ(r[0]->modes[4], 2); EXPECT_EQ(r[1]->modes[4], 2);
       }},
      {"input channels", [](L l) {
         const std::uint8_t v[] = {77, 1};
         Input_Trim_Ctrl(l, 0, 2, 0, 1, v, true);
         Mute_Input_Ch_Ctrl(l, 0, 2, 1, 1, std::span(v).subspan(1), true);
         Input_Phase_Ctrl(l, 0, 2, 0, 0, std::span(v).subspan(1), true);
       },
       [](L l) { return Get_Input_Trim(l, 0, 2, 0, 1) && Get_Mute_Input_Ch(l, 0, 2, 0, 1) && Get_Phase_Input_Ch(l, 0, 2, 0, 1); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<InputChannelsRecord>(m);
         ASSERT_EQ(r.size(), 3u);
         EXPECT_EQ(r[0]->values[0], 77); EXPECT_EQ(r[0]->values[1], 1);
         EXPECT_EQ(r[1]->values[1], 1); EXPECT_EQ(r[2]->values[0], 1);
       }},
      {"routing", [](L l) { const std::uint32_t masks[] = {0x21, 0x12}; Mix_Ch_Ctrl(l, 0, 6, 3, 4, masks, true); },
       [](L l) { return Get_Mix_Ch(l, 0, 6, 3, 4); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_EQ(s.live.sources[6].mixMask[3], 0x21);
         const auto r = Records<MixRecord>(m);
         ASSERT_EQ(r.size(), 2u);
         EXPECT_EQ(r[0]->mask, 0x21); EXPECT_EQ(r[1]->mask, 0x12);
       }},
      {"speaker distances", [](L l) { const std::uint16_t d[] = {345}; Spk_Dist_Ctrl(l, 0, 0, 5, 5, d, true); },
       [](L l) { return Get_Spk_Dist(l, 0, 0, 5, 5); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<SpeakerDistanceRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->distance[5], 345);
       }},
      {"threshold", [](L l) { Input_Ch_Threshold_Ctrl(l, -70, true); }, [](L l) { return Get_Input_Threshold(l, 0, 0, true); },
       [](const Messages& m, const BoxState&) { EXPECT_EQ(Value(m, WM_DSP_REPLY, DSP_INPUT_THRESHOLD), -70); }},
      {"speaker configuration and amplifier", [](L l) { Speaker_Config_Ctrl(l, 0x44, true); Amp_Mute_Ctrl(l, 0, true); },
       [](L l) { return Get_Speaker_Config(l) && Get_Amp_Mute(l); },
       [](const Messages& m, const BoxState&) {
         ASSERT_EQ(m.size(), 2u);
         EXPECT_EQ(m[0].RecordAs<SpeakerConfigRecord>()->config, 0x44);
         EXPECT_EQ(m[1].lParam, 0);
       }},
      {"mix source and remote channel", [](L l) { Mix_Source_Switch_Ctrl(l, 7, true); Sel_Remote_CH_Ctrl(l, 0x0304, true); },
       [](L l) { return Get_Mix_Source(l) && Get_Remote_CH(l); },
       [](const Messages& m, const BoxState&) {
         ASSERT_EQ(m.size(), 2u);
         EXPECT_EQ(m[0].lParam, 7); EXPECT_EQ(m[1].lParam, 0x0304);
       }},
      {"lock and auto effect", [](L l) { CH_Lock_Ctrl(l, 0, 0, true); Auto_Effect_Ctrl(l, 0, 0, true); },
       [](L l) { return Get_CH_Lock(l, 0) && Get_AUTO_ON(l); },
       [](const Messages& m, const BoxState&) {
         ASSERT_EQ(m.size(), 2u);
         EXPECT_EQ(m[0].RecordAs<LockRecord>()->lock, 0);
         EXPECT_EQ(m[1].lParam, 0);
       }},
      {"mix types", [](L l) { Mix_Type_Ctrl(l, 0, 1, 3, true); Mix_Type2_Ctrl(l, 0, 5, 2, true); },
       [](L l) { return Get_Mix_Type(l, 0, 1) && Get_Mix_Type2(l, 0, 5); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<MixTypeRecord>(m);
         ASSERT_EQ(r.size(), 2u);
         EXPECT_EQ(r[0]->mixType, 3); EXPECT_EQ(r[1]->mixType, 2);
       }},
      {"presets", [](L l) { Factory_Preset_Ctrl(l, 3); Setup_Mode_Ctrl(l, 2); },
       [](L l) { return Get_Factory_Preset(l) && Get_Setup_Mode(l); },
       [](const Messages& m, const BoxState&) {
         ASSERT_EQ(m.size(), 2u);
         EXPECT_EQ(m[0].lParam, 3); EXPECT_EQ(m[1].lParam, 2);
       }},
      {"input eq", [](L l) {
         const int f[] = {800}; const float q[] = {1.5f}; const float g[] = {-4.5f};
         Input_EQ_Ctrl(l, 0, 5, 2, 6, 6, f, q, g, true);
       },
       [](L l) { return Get_Input_EQ(l, 0, 5, 2, 6, 6); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<EqBandRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->frequency, 800); EXPECT_FLOAT_EQ(r[0]->q, 1.5f); EXPECT_FLOAT_EQ(r[0]->gainDb, -4.5f);
       }},
      {"input mix levels both ways", [](L l) {
         const std::uint8_t a[] = {11, 22};
         Input_Mix_Trim_Ctrl(l, 0, 5, 1, 0, 1, a, true);
         const std::uint8_t b[] = {33};
         Input_Mix_Trim_Ctrl2(l, 0, 5, 1, 1, 7, b, true);
       },
       [](L l) { return Get_Input_Mix_CH_Trim(l, 0, 5, 1, 0, 7); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<InputMixTrimRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->trims[0], 11); EXPECT_EQ(r[0]->trims[1], 22); EXPECT_EQ(r[0]->trims[7], 33);
       }},
      {"links", [](L l) {
         const std::uint8_t pairs[] = {4, 5, 6, 7};
         CH_Link_Ctrl(l, 0, 1, 2, pairs, true); CH_Trim_Link_Ctrl(l, 0, 0, 0, {}, true);
         CH_Delay_Link_Ctrl(l, 0, 1, 1, pairs, true);
       },
       [](L l) { return Get_CH_Link(l, 0) && Get_CH_Trim_Link(l, 0) && Get_CH_Delay_Link(l, 0); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_EQ(s.live.link.pairs.size(), 2u);
         const auto r = Records<LinkRecord>(m);
         ASSERT_EQ(r.size(), 3u);
         EXPECT_EQ(r[0]->link, 1); EXPECT_EQ(r[1]->link, 0); EXPECT_EQ(r[2]->link, 1);
       }},
      {"compressor: whole dB of the threshold read back", [](L l) { Compressor_Ctrl(l, 0, 0, 1, 0, -24.0f, 3.5f, 15, 250, 2.5f, true); },
       [](L l) { return Get_Compressor(l, 0, 0, 1, 1); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<CompressorRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->bypass, 0); EXPECT_EQ(r[0]->thresholdDb, -24); EXPECT_FLOAT_EQ(r[0]->ratio, 3.5f);
         EXPECT_EQ(r[0]->attack, 15); EXPECT_EQ(r[0]->release, 250); EXPECT_FLOAT_EQ(r[0]->softKnee, 2.5f);
       }},
      {"eq reset", [](L l) { const std::uint8_t ch[] = {1}; PEQ_Reset_Ctrl(l, 0, 0, 1, ch, true); },
       [](L l) { return Get_EQ(l, 0, 0, 1, 17, 17); },
       [](const Messages& m, const BoxState&) {
         const auto r = Records<EqBandRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->frequency, 1000); EXPECT_FLOAT_EQ(r[0]->gainDb, 0.0f); EXPECT_FLOAT_EQ(r[0]->q, 5.8f);
       }},
      {"system values", [](L l) { Set_Power_Off_Time(l, 4500, true); Set_Acc(l, -3, true); SetPWD(l, "1234", "garage"); },
       [](L l) { return Get_Delay_Power_Off_Time(l) && Get_Acc(l) && Get_PWD(l); },
       [](const Messages& m, const BoxState&) {
         ASSERT_EQ(m.size(), 3u);
         EXPECT_EQ(m[0].lParam, 4500); EXPECT_EQ(m[1].lParam, -3);
         const auto* pwd = m[2].RecordAs<PasswordRecord>();
         ASSERT_NE(pwd, nullptr);
         EXPECT_EQ(pwd->passwordLength, 4); EXPECT_EQ(pwd->remarkLength, 6); EXPECT_EQ(pwd->remark[5], 'e');
       }},
      {"karaoke", [](L l) { KTV_Echo_Delay_Ctrl(l, 640, true); KTV_Treble_Gain_Ctrl(l, -7, true); KTV_Mic_Vol_Ctrl(l, 33, true); },
       [](L l) { return Get_KTV_Echo_Delay(l) && Get_KTV_Treble_Gain(l) && Get_KTV_Mic_Vol(l); },
       [](const Messages& m, const BoxState&) {
         ASSERT_EQ(m.size(), 3u);
         EXPECT_EQ(m[0].lParam, 640); EXPECT_EQ(m[1].lParam, -7); EXPECT_EQ(m[2].lParam, 33);
       }},
      {"memory word", [](L l) { Set_MemData(l, 0x1234, 0x01020304, true); }, [](L l) { return Get_MemData(l, 0x1234); },
       [](const Messages& m, const BoxState& s) {
         EXPECT_EQ(s.memory.at(0x1234), 0x01020304u);
         const auto r = Records<MemDataRecord>(m);
         ASSERT_EQ(r.size(), 1u);
         EXPECT_EQ(r[0]->data, 0x01020304u);
       }},
  };
}

TEST_F(LinkIntegration, EverySetterChangesTheBoxAndReadsBackTheSame) {
  for (const SetCase& c : SetCases()) {
    SCOPED_TRACE(c.name);
    c.set(link);
    TakeAll();  // acknowledgements post nothing; drop whatever did
    EXPECT_TRUE(c.get(link));
    c.check(TakeAll(), box.State());
  }
}

TEST_F(LinkIntegration, ScenesSaveListLoadAndDelete) {
  const std::uint8_t name[] = {'N', 'i', 'g', 'h', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const float trim[] = {20.0f};
  Trim_Ctrl(link, 0, 0, 0, 0, trim, true);
  SetSceneName(link, 4, name);
  SaveScene(link, 4, false);
  Messages m = TakeAll();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].number, WM_SCENE_REPLY);  // the scene-saved notice
  EXPECT_EQ(m[0].wParam, 4u);

  EXPECT_TRUE(Get_Scene_Name(link, 4));
  EXPECT_TRUE(Get_Scene_Valid(link));
  m = TakeAll();
  ASSERT_EQ(Records<SceneNameRecord>(m).size(), 1u);
  EXPECT_EQ(Records<SceneNameRecord>(m)[0]->index, 3);
  EXPECT_EQ(Records<SceneNameRecord>(m)[0]->name[4], 't');
  EXPECT_EQ(Records<ValidScenesRecord>(m)[0]->mask, 0x0009u);

  // Change live, then load the scene back.
  const float other[] = {3.0f};
  Trim_Ctrl(link, 0, 0, 0, 0, other, true);
  ReadScene(link, 4, 0);
  EXPECT_TRUE(Get_Trim(link, 0, 0, 0, 0));
  EXPECT_TRUE(Get_Scene_ID(link));
  m = TakeAll();
  ASSERT_EQ(Records<ChannelFloatRecord>(m).size(), 1u);
  EXPECT_FLOAT_EQ(Records<ChannelFloatRecord>(m)[0]->value, -20.0f);
  EXPECT_EQ(m.back().number, WM_SCENE_ID);
  EXPECT_EQ(m.back().lParam, 4);

  DeleteScene(link, 4);
  m = TakeAll();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].number, WM_SCENE_DELETED);
  EXPECT_TRUE(Get_Scene_Name(link, 4));
  EXPECT_TRUE(Get_Scene_Valid(link));
  m = TakeAll();
  EXPECT_EQ(Records<SceneNameRecord>(m)[0]->name, SceneNameBytes{});
  EXPECT_EQ(Records<ValidScenesRecord>(m)[0]->mask, 0x0001u);
}

TEST_F(LinkIntegration, DroppedReplyMakesTheQueryFailAfterItsWait) {
  box.DropReplies(1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Get_Main_Volume(link));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kWaitCapMs - 5));
  EXPECT_TRUE(TakeAll().empty());
  EXPECT_TRUE(Get_Main_Volume(link));
  EXPECT_EQ(TakeAll().size(), 1u);
}

TEST_F(LinkIntegration, SplitReplyIsReassembledOverTwoReads) {
  box.SplitNextReply(20);
  EXPECT_TRUE(Get_Mute_Ch(link, 0, 0, 0, 7));  // the first half arrived
  EXPECT_TRUE(TakeAll().empty());
  EXPECT_TRUE(link.ReadHIDData(kWaitCapMs));
  EXPECT_EQ(Records<ChannelValueRecord>(TakeAll()).size(), 8u);
}

TEST_F(LinkIntegration, CorruptedReplyIsDroppedAndTheNextOneParsed) {
  box.CorruptReplies(1);
  EXPECT_TRUE(Get_Main_Volume(link));  // a report came, but its frame is dropped
  EXPECT_TRUE(TakeAll().empty());
  EXPECT_TRUE(Get_Mute(link));
  const Messages m = TakeAll();
  EXPECT_EQ(Value(m, WM_DSP_REPLY, DSP_MUTE), 1);
}

TEST_F(LinkIntegration, GarbagePaddingDoesNotDisturbTheLink) {
  box.SetGarbagePadding(true);
  EXPECT_TRUE(Get_Filter(link, 0, 0, 0, 3));
  EXPECT_TRUE(Get_Main_Volume(link));
  const Messages m = TakeAll();
  EXPECT_EQ(Records<FilterRecord>(m).size(), 4u);
  EXPECT_EQ(m.size(), 5u);
}

TEST_F(LinkIntegration, UnplugMidSequenceLeavesTheLinkClosedAndUsableAgain) {
  std::atomic<bool> removed{false};
  box.SetPlugListener([&](bool plugged) {
    if (!plugged) removed = true;
  });
  box.UnplugAfterFrames(3);
  int answered = 0;
  for (std::uint8_t ch = 0; ch < 8; ++ch) answered += Get_Delay(link, 0, 0, ch, ch) ? 1 : 0;
  EXPECT_EQ(answered, 3);
  EXPECT_TRUE(removed);
  // What the device-removal handling does: close the link.
  link.CloseHIDDevice(true);
  EXPECT_FALSE(link.IsDeviceOpen());
  EXPECT_FALSE(Get_Main_Volume(link));
  EXPECT_EQ(Records<ChannelFloatRecord>(TakeAll()).size(), 3u);

  box.Replug();
  link.OpenHIDDevice();
  ASSERT_TRUE(link.IsDeviceOpen());
  EXPECT_TRUE(Hand_Connect(link));
  EXPECT_EQ(link.Model(), 79);
}

TEST_F(LinkIntegration, LoaderHandshakeReportsTheDeviceAbnormal) {
  box.SetApplicationMode(false);
  EXPECT_TRUE(Hand_Connect(link));
  const Messages m = TakeAll();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].number, WM_DEVICE_ABNORMAL);
  EXPECT_FALSE(link.ApplicationMode());
}

TEST_F(LinkIntegration, UnsolicitedMcuInitIsReadByTheNextWait) {
  box.SendMcuInit();
  EXPECT_TRUE(link.ReadHIDData(kWaitCapMs));
  EXPECT_TRUE(TakeAll().empty());  // logged only
  EXPECT_TRUE(Get_Main_Volume(link));
  EXPECT_EQ(TakeAll().size(), 1u);
}

TEST_F(LinkIntegration, QueuedSettersReachTheBoxThroughTheWorker) {
  link.EnableQueue();
  const std::uint8_t on[] = {1};
  for (std::uint8_t ch = 0; ch < 8; ++ch) Solo_Ctrl(link, 0, 0, ch, ch, on, false);
  const auto allSolo = [&] {
    const BoxState s = box.State();
    return std::all_of(s.live.outputs.begin(), s.live.outputs.begin() + 8,
                       [](const sim::OutputChannel& o) { return o.solo == 1; });
  };
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (!allSolo() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(2ms);
  EXPECT_TRUE(allSolo());
  // One command after the other, in queue order.
  const auto commands = box.Commands();
  ASSERT_EQ(commands.size(), 8u);
  for (std::uint8_t ch = 0; ch < 8; ++ch) EXPECT_EQ(commands[ch].payload[2], ch);
}

}  // namespace
}  // namespace qb
