// Every DSP setter changes the box's state and is acknowledged; values the box cannot take
// are refused and leave the state alone; short payloads are dropped unanswered.
#include <gtest/gtest.h>

#include <functional>

#include "simulator/box_state_file.h"
#include "tests/simulator/box_driver.h"

namespace qb::sim::test {
namespace {

struct SetCase {
  const char* name;
  std::uint8_t id;
  Bytes payload;
  std::function<void(const BoxState&)> check;
  std::function<void(BoxState&)> prepare = nullptr;
};

const Settings& Live(const BoxState& s) { return s.live; }

std::vector<SetCase> SetCases() {
  return {
      {"source switch", DSP_SOURCE_SWITCH, {0x53}, [](const BoxState& s) { EXPECT_EQ(Live(s).source, SOURCE_BT); }},
      {"main volume carries 6 - dB", DSP_VOLUME, {12}, [](const BoxState& s) { EXPECT_EQ(Live(s).mainVolumeDb, -6); }},
      {"main volume above 0 dB", DSP_VOLUME, {0}, [](const BoxState& s) { EXPECT_EQ(Live(s).mainVolumeDb, 6); }},
      {"subwoofer volume signed", DSP_SUBWOOFER_VOLUME, {0xFD}, [](const BoxState& s) { EXPECT_EQ(Live(s).subwooferVolume, -3); }},
      {"main mute", DSP_MUTE, {1}, [](const BoxState& s) { EXPECT_EQ(Live(s).mainMute, 1); }},
      {"high-pass filter", DSP_FILTER_GET, {0, 0, 3, 1, 2, 0x00, 0x50, 4},
       [](const BoxState& s) {
         const Filter& f = Live(s).outputs[3].highPass;
         EXPECT_EQ(f.family, 2); EXPECT_EQ(f.freqHz, 80); EXPECT_EQ(f.slope, 4);
         EXPECT_EQ(Live(s).outputs[3].lowPass.freqHz, 20000);  // the other filter untouched
       }},
      {"low-pass filter of a stored scene", DSP_FILTER_GET, {1, 0, 1, 2, 3, 0x0F, 0xA0, 6},
       [](const BoxState& s) {
         const Filter& f = s.scenes[0].settings.outputs[1].lowPass;
         EXPECT_EQ(f.family, 3); EXPECT_EQ(f.freqHz, 4000); EXPECT_EQ(f.slope, 6);
         EXPECT_EQ(Live(s).outputs[1].lowPass.freqHz, 20000);
       }},
      {"eq band: Q sent in tenths", DSP_EQ_CH, {0, 0, 2, 5, 0x03, 0xE8, 2, 5, 24, 5},
       [](const BoxState& s) {
         const EqBand& b = Live(s).outputs[2].bands[5];
         EXPECT_EQ(b.freqHz, 1000); EXPECT_NEAR(b.q, 2.5, 1e-9); EXPECT_NEAR(b.gainDb, 6.5, 1e-9);
       }},
      {"delay range", DSP_DELAY_CH, {0, 0, 1, 2, 12, 0x01, 0x59, 0, 0, 7},
       [](const BoxState& s) {
         EXPECT_NEAR(Live(s).outputs[1].delayMs, 12.345, 1e-9);
         EXPECT_NEAR(Live(s).outputs[2].delayMs, 0.007, 1e-9);
       }},
      {"trim carries the negated volume", DSP_TRIM_CH, {0, 0, 0, 1, 12, 0xFD},
       [](const BoxState& s) {
         EXPECT_EQ(Live(s).outputs[0].volumeDb, -12.0);
         EXPECT_EQ(Live(s).outputs[1].volumeDb, 3.0);
       }},
      {"output mutes", DSP_MUTE_CH, {0, 0, 0, 7, 0, 1, 0, 0, 0, 0, 0, 1},
       [](const BoxState& s) {
         EXPECT_EQ(Live(s).outputs[0].mute, 0); EXPECT_EQ(Live(s).outputs[1].mute, 1);
         EXPECT_EQ(Live(s).outputs[7].mute, 1);
       }},
      {"output phase", DSP_PHASE_CH, {0, 0, 4, 4, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[4].phase, 1); }},
      {"output roles", DSP_CH_TYPE, {0, 0, 6, 7, 9, 3},
       [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[6].role, 9); EXPECT_EQ(Live(s).outputs[7].role, 3); }},
      {"eq bypass", DSP_EQ_BYPASS, {0, 0, 2, 2, 0}, [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[2].eqBypass, 0); }},
      {"solo", DSP_CH_SOLO, {0, 0, 5, 5, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[5].solo, 1); }},
      {"high-pass Q mode", DSP_HPF_Q_FACT_MODE, {0, 0, 0, 0, 2}, [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[0].hpfQMode, 2); }},
      {"low-pass Q mode", DSP_LPF_Q_FACT_MODE, {0, 0, 7, 7, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[7].lpfQMode, 1); }},
      {"input trims per source", DSP_INPUT_TRIM_CH, {0, 5, 0, 1, 7, 9},
       [](const BoxState& s) {
         EXPECT_EQ(Live(s).sources[5].inputs[0].trim, 7); EXPECT_EQ(Live(s).sources[5].inputs[1].trim, 9);
         EXPECT_EQ(Live(s).sources[0].inputs[0].trim, 0);
       }},
      {"input mute", DSP_INPUT_CH_MUTE, {0, 2, 1, 1, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).sources[2].inputs[1].mute, 1); }},
      {"input phase", INPUT_CH_PHASE, {0, 1, 0, 0, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).sources[1].inputs[0].phase, 1); }},
      {"routing masks of a source", DSP_MIX_CH, {0, 2, 0, 1, 3, 1},
       [](const BoxState& s) { EXPECT_EQ(Live(s).sources[2].mixMask[0], 3); EXPECT_EQ(Live(s).sources[2].mixMask[1], 1); }},
      {"remap", DSP_CH_REMAP, {0, 0, 4, 1, 2}, [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[4].remap, (Bytes{1, 2})); }},
      {"link with pairs", DSP_CH_LINK, {0, 1, 2, 0, 1, 2, 3},
       [](const BoxState& s) {
         EXPECT_EQ(Live(s).link.on, 1);
         EXPECT_EQ(Live(s).link.pairs, (std::vector<LinkPair>{{0, 1}, {2, 3}}));
       }},
      {"lock", DSP_CH_LOCK, {0, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).lock, 1); }},
      {"bypass of a source", DSP_BYPASS, {0, 3, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).sources[3].bypass, 1); }},
      {"eq reset flattens the listed outputs", DSP_EQ_RESET, {0, 0, 1, 3},
       [](const BoxState& s) {
         EXPECT_EQ(Live(s).outputs[3].bands[4].gainDb, 0.0);
         EXPECT_EQ(Live(s).outputs[3].bands[4].freqHz, 50);
         EXPECT_EQ(Live(s).outputs[2].bands[4].gainDb, 5.0);
       },
       [](BoxState& s) {
         s.live.outputs[3].bands[4] = EqBand{777, 1.0, 5.0};
         s.live.outputs[2].bands[4] = EqBand{777, 1.0, 5.0};
       }},
      {"input eq bands", DSP_INPUT_EQ_CH, {0, 5, 1, 2, 3, 0x01, 0xF4, 1, 5, 20, 0, 0x07, 0xD0, 3, 0, 12, 0},
       [](const BoxState& s) {
         const auto& eq = Live(s).sources[5].inputs[1].eq;
         EXPECT_EQ(eq[2].freqHz, 500); EXPECT_NEAR(eq[2].q, 1.5, 1e-9); EXPECT_NEAR(eq[2].gainDb, 2.0, 1e-9);
         EXPECT_EQ(eq[3].freqHz, 2000); EXPECT_NEAR(eq[3].q, 3.0, 1e-9); EXPECT_NEAR(eq[3].gainDb, -6.0, 1e-9);
       }},
      {"input mix levels by input", DSP_INPUT_MIX_CH_TRIM, {0, 5, 2, 0, 1, 50, 0},
       [](const BoxState& s) { EXPECT_EQ(Live(s).sources[5].mixTrim[2][0], 50); EXPECT_EQ(Live(s).sources[5].mixTrim[2][1], 0); }},
      {"input mix levels by output", DSP_INPUT_MIX_CH_TRIM2, {0, 5, 0, 1, 3, 40, 60},
       [](const BoxState& s) { EXPECT_EQ(Live(s).sources[5].mixTrim[0][3], 40); EXPECT_EQ(Live(s).sources[5].mixTrim[1][3], 60); }},
      {"input threshold signed", DSP_INPUT_THRESHOLD, {0xCE}, [](const BoxState& s) { EXPECT_EQ(Live(s).inputThreshold, -50); }},
      {"trim link", DSP_CH_TRIM_LINK, {0, 1, 1, 4, 5},
       [](const BoxState& s) { EXPECT_EQ(Live(s).trimLink.pairs, (std::vector<LinkPair>{{4, 5}})); }},
      {"delay link", DSP_CH_DELAY_LINK, {0, 1, 1, 6, 7},
       [](const BoxState& s) { EXPECT_EQ(Live(s).delayLink.on, 1); EXPECT_EQ(Live(s).delayLink.pairs.size(), 1u); }},
      {"remote channel 16-bit", DSP_REMOTE_CH, {0x01, 0x02}, [](const BoxState& s) { EXPECT_EQ(Live(s).remoteChannel, 258); }},
      {"one-byte setting", DSP_ONE_BYTE_SETTING, {7}, [](const BoxState& s) { EXPECT_EQ(Live(s).oneByteSetting, 7); }},
      {"speaker configuration", DSP_SPK_CH_CONFIG, {0x21}, [](const BoxState& s) { EXPECT_EQ(Live(s).speakerConfig, 0x21); }},
      {"mix type", MIX_TYPE, {0, 5, 2}, [](const BoxState& s) { EXPECT_EQ(Live(s).sources[5].mixType, 2); }},
      {"mix type 2", MIX_TYPE2, {0, 5, 3}, [](const BoxState& s) { EXPECT_EQ(Live(s).sources[5].mixType2, 3); }},
      {"factory preset", DSP_FACTORY_PRESET, {2}, [](const BoxState& s) { EXPECT_EQ(Live(s).factoryPreset, 2); }},
      {"setup mode", DSP_SETUP_MODE, {1}, [](const BoxState& s) { EXPECT_EQ(Live(s).setupMode, 1); }},
      {"auto effect", DSP_AUTO_EFFECTION_ON_OFF_CONTROL, {0, 1}, [](const BoxState& s) { EXPECT_EQ(Live(s).autoEffect, 1); }},
      {"two-byte setting", DSP_TWO_BYTE_SETTING, {0, 9}, [](const BoxState& s) { EXPECT_EQ(Live(s).twoByteSetting, 9); }},
      {"compressor", DSP_COMPRESSOR_GET, {0, 0, 2, 0, 50, 5, 4, 0, 6, 0, 0, 10, 0, 100},
       [](const BoxState& s) {
         const Compressor& c = Live(s).outputs[2].compressor;
         EXPECT_EQ(c.bypass, 0); EXPECT_NEAR(c.thresholdDb, -49.5, 1e-9); EXPECT_NEAR(c.ratio, 4.0, 1e-9);
         EXPECT_NEAR(c.kneeDb, 6.0, 1e-9); EXPECT_EQ(c.attack, 10); EXPECT_EQ(c.release, 100);
       }},
      {"amplifier mute", DSP_AMP_MUTE, {1}, [](const BoxState& s) { EXPECT_EQ(Live(s).ampMute, 1); }},
      {"memory word little-endian", DSP_MEM_DATA, {0x10, 0, 0, 0, 2, 1, 0, 0},
       [](const BoxState& s) { EXPECT_EQ(s.memory.at(0x10), 0x102u); }},
      {"speaker distances", DSP_SPK_DIST, {0, 0, 0, 1, 0x01, 0x2C, 0, 0x64},
       [](const BoxState& s) { EXPECT_EQ(Live(s).outputs[0].speakerDistance, 300); EXPECT_EQ(Live(s).outputs[1].speakerDistance, 100); }},
      {"mix source", DSP_MIX_SOURCE_SWITCH, {3}, [](const BoxState& s) { EXPECT_EQ(Live(s).mixSource, 3); }},
  };
}

TEST(DspSet, EverySetterChangesTheStateAndIsAcknowledged) {
  for (const SetCase& c : SetCases()) {
    SCOPED_TRACE(c.name);
    BoxDriver driver;
    if (c.prepare) driver.Box().Modify(c.prepare);
    EXPECT_EQ(driver.DspSet(c.id, c.payload), AckFrame(DSP_PACKET, c.id));
    c.check(driver.Box().State());
  }
}

TEST(DspSet, SurroundBlockIsStoredWhole) {
  BoxDriver driver;
  Bytes block(kCsAutoBytes);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(driver.DspSet(DSP_CS_AUTO, block), AckFrame(DSP_PACKET, DSP_CS_AUTO));
  const auto stored = driver.Box().State().live.surroundBlock;
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), block.begin()));
}

TEST(DspSet, ValuesTheBoxCannotTakeAreRefusedAndChangeNothing) {
  struct Refusal {
    const char* name;
    std::uint8_t id;
    Bytes payload;
  };
  const Refusal refusals[] = {
      {"source code outside 0x51..0x59", DSP_SOURCE_SWITCH, {0x50}},
      {"filter selector 3", DSP_FILTER_GET, {0, 0, 0, 3, 2, 0, 80, 4}},
      {"scene 11", DSP_MUTE_CH, {11, 0, 0, 0, 1}},
      {"input source 9", DSP_MIX_CH, {0, 9, 0, 0, 1}},
      {"band 31", DSP_EQ_CH, {0, 0, 0, 31, 0x03, 0xE8, 2, 5, 24, 5}},
      {"output 8 of an eight-output box", DSP_COMPRESSOR_GET, {0, 0, 8, 0, 50, 5, 4, 0, 6, 0, 0, 10, 0, 100}},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    BoxDriver driver;
    const Settings before = driver.Box().State().live;
    EXPECT_EQ(driver.DspSet(r.id, r.payload), AckFrame(DSP_PACKET, r.id, {ACK_NOT_READY}));
    const Settings after = driver.Box().State().live;
    EXPECT_EQ(after.source, before.source);
    EXPECT_EQ(after.outputs[0].mute, before.outputs[0].mute);
    EXPECT_EQ(after.outputs[0].highPass.freqHz, before.outputs[0].highPass.freqHz);
    EXPECT_EQ(after.sources[0].mixMask, before.sources[0].mixMask);
  }
}

TEST(DspSet, AFullMemoryTakesNoNewAddressButKeepsRewritingItsWords) {
  BoxDriver driver;
  driver.Box().Modify([](BoxState& s) {
    for (std::uint32_t a = 0; a < kMaxStoredMemoryWords; ++a) s.memory[a] = a;
  });
  // One word more would make a state file that no longer opens.
  const Bytes beyond = {0x00, 0x00, 0x10, 0x00, 7, 0, 0, 0};
  EXPECT_EQ(driver.DspSet(DSP_MEM_DATA, beyond), AckFrame(DSP_PACKET, DSP_MEM_DATA, {ACK_NOT_READY}));
  const Bytes known = {0x10, 0, 0, 0, 7, 0, 0, 0};
  EXPECT_EQ(driver.DspSet(DSP_MEM_DATA, known), AckFrame(DSP_PACKET, DSP_MEM_DATA));
  driver.Box().Inspect([](const BoxState& s) {
    EXPECT_EQ(s.memory.size(), kMaxStoredMemoryWords);
    EXPECT_EQ(s.memory.at(0x10), 7u);
  });
}

TEST(DspSet, PayloadShorterThanItsHeaderIsDroppedUnanswered) {
  BoxDriver driver;
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_MUTE_CH, OP_SET, {0, 0, 0}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_EQ_CH, OP_SET, {0, 0, 0, 1, 0x03, 0xE8, 2, 5, 24}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_VOLUME, OP_SET, {}).empty());
  EXPECT_EQ(driver.Box().State().live.mainVolumeDb, FactorySettings().mainVolumeDb);
  EXPECT_EQ(driver.Box().Commands().size(), 3u);  // received all the same
}

TEST(DspSet, RangeIsAppliedAsFarAsChannelsAndBytesGo) {
  BoxDriver driver;
  // Outputs 6..9 of an eight-output box, with values for 6, 7 and 8 only.
  EXPECT_EQ(driver.DspSet(DSP_MUTE_CH, {0, 0, 6, 9, 1, 1, 1}), AckFrame(DSP_PACKET, DSP_MUTE_CH));
  const BoxState s = driver.Box().State();
  EXPECT_EQ(s.live.outputs[6].mute, 1);
  EXPECT_EQ(s.live.outputs[7].mute, 1);
  EXPECT_EQ(s.live.outputs[8].mute, 0);
  // last < first carries no values.
  EXPECT_EQ(driver.DspSet(DSP_MUTE_CH, {0, 0, 6, 5}), AckFrame(DSP_PACKET, DSP_MUTE_CH));
  EXPECT_EQ(driver.Box().State().live.outputs[6].mute, 1);
}

TEST(DspSet, FirstWriteIntoBlankSceneStartsFromFactorySettingsWithoutValidatingIt) {
  BoxDriver driver;
  driver.Box().Modify([](BoxState& s) { s.live.outputs[0].delayMs = 3.0; });
  EXPECT_TRUE(driver.Box().State().scenes[4].erased);
  // A refused command leaves the slot blank.
  driver.DspSet(DSP_FILTER_GET, {5, 0, 0, 3, 2, 0, 80, 4});
  EXPECT_TRUE(driver.Box().State().scenes[4].erased);
  driver.DspSet(DSP_MUTE_CH, {5, 0, 1, 1, 1});
  const BoxState s = driver.Box().State();
  const SceneSlot& slot = s.scenes[4];
  EXPECT_FALSE(slot.erased);
  EXPECT_FALSE(slot.valid);
  EXPECT_EQ(slot.settings.outputs[1].mute, 1);
  EXPECT_EQ(slot.settings.outputs[0].delayMs, 0.0);  // factory, not live
  EXPECT_EQ(s.live.outputs[1].mute, 0);
}

TEST(DspSet, FineTrimTakesTwoBytesOfNegatedVolume) {
  VirtualBoxConfig config;
  config.fineTrim = true;
  BoxDriver driver(config);
  driver.DspSet(DSP_TRIM_CH, {0, 0, 2, 3, 12, 50, 0, 25});
  const BoxState s = driver.Box().State();
  EXPECT_NEAR(s.live.outputs[2].volumeDb, -12.5, 1e-9);
  EXPECT_NEAR(s.live.outputs[3].volumeDb, -0.25, 1e-9);
}

TEST(DspSet, NineInputsOrMoreTakeTwoMaskBytes) {
  VirtualBoxConfig config;
  config.inputCount = 10;
  BoxDriver driver(config);
  driver.DspSet(DSP_MIX_CH, {0, 0, 0, 1, 0x02, 0x01, 0x00, 0x03});
  const BoxState s = driver.Box().State();
  EXPECT_EQ(s.live.sources[0].mixMask[0], 0x0201);
  EXPECT_EQ(s.live.sources[0].mixMask[1], 0x0003);
}

TEST(DspSet, UnknownCommandIdsAndSetOnlyQueriesAreNotAnswered) {
  BoxDriver driver;
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, 37, OP_SET, {1}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, INPUT_NOISE, OP_SET, {0, 1}).empty());
  EXPECT_TRUE(driver.Exchange(5, 1, OP_SET, {1}).empty());
}

}  // namespace
}  // namespace qb::sim::test
