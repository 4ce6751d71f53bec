// Every DSP query is answered with the exact reply bytes of its layout, for the scene,
// source, channel and band range asked; what was set reads back in the form the program
// decodes.
#include <gtest/gtest.h>

#include <functional>

#include "tests/simulator/box_driver.h"

namespace qb::sim::test {
namespace {

struct GetCase {
  const char* name;
  std::function<void(BoxState&)> prepare;
  std::uint8_t id;
  Bytes query;
  Bytes reply;
};

void None(BoxState&) {}

std::vector<GetCase> GetCases() {
  return {
      {"offered sources", None, DSP_SOURCE_CONFIG, {}, {5, 0x51, 0x52, 0x53, 0x56, 0x57}},
      {"source as switch code", None, DSP_SOURCE_SWITCH, {}, {0x56}},
      {"main volume in dB, signed", None, DSP_VOLUME, {}, {0xF6}},
      {"subwoofer volume", [](BoxState& s) { s.live.subwooferVolume = -3; }, DSP_SUBWOOFER_VOLUME, {}, {0xFD}},
      {"main mute", [](BoxState& s) { s.live.mainMute = 1; }, DSP_MUTE, {}, {1}},
      {"filters of a tweeter and a woofer", None, DSP_FILTER_GET, {0, 0, 4, 5},
       {0, 0, 4, 5, 2, 0x0F, 0xA0, 4, 2, 0x4E, 0x20, 0, 2, 0x00, 0x50, 4, 2, 0x01, 0xF4, 4}},
      {"eq bands: Q answered in hundredths",
       [](BoxState& s) {
         s.live.outputs[2].bands[5] = EqBand{1000, 4.36, 6.5};
         s.live.outputs[2].bands[6] = EqBand{2000, 2.5, -3.3};
       },
       DSP_EQ_CH, {0, 0, 2, 5, 6},
       {0, 0, 2, 5, 6, 0x03, 0xE8, 4, 36, 24, 5, 0x07, 0xD0, 2, 50, 14, 7}},
      {"delays", [](BoxState& s) { s.live.outputs[1].delayMs = 12.345; s.live.outputs[2].delayMs = 0.5; },
       DSP_DELAY_CH, {0, 0, 1, 2}, {0, 0, 1, 2, 12, 0x01, 0x59, 0, 0x01, 0xF4}},
      {"trims answer the volume itself",
       [](BoxState& s) { s.live.outputs[0].volumeDb = -12; s.live.outputs[1].volumeDb = -5.7; },
       DSP_TRIM_CH, {0, 0, 0, 1}, {0, 0, 0, 1, 0xF4, 0xFB}},
      {"output mutes", [](BoxState& s) { s.live.outputs[3].mute = 1; }, DSP_MUTE_CH, {0, 0, 2, 4}, {0, 0, 2, 4, 0, 1, 0}},
      {"output phases", [](BoxState& s) { s.live.outputs[0].phase = 1; }, DSP_PHASE_CH, {0, 0, 0, 1}, {0, 0, 0, 1, 1, 0}},
      {"output roles", None, DSP_CH_TYPE, {0, 0, 0, 7}, {0, 0, 0, 7, 6, 12, 15, 18, 19, 20, 22, 23}},
      {"routing of the hi source", None, DSP_MIX_CH, {0, 5, 0, 7}, {0, 5, 0, 7, 1, 2, 4, 8, 3, 3, 1, 2}},
      {"routing of the bt source", None, DSP_MIX_CH, {0, 2, 2, 3}, {0, 2, 2, 3, 1, 2}},
      {"remap as a mask", [](BoxState& s) { s.live.outputs[4].remap = {1, 2}; }, DSP_CH_REMAP, {0, 0, 4, 4}, {0, 0, 4, 4, 0x06}},
      {"link with pairs",
       [](BoxState& s) { s.live.link = ChannelLink{1, {{0, 1}, {2, 3}}}; },
       DSP_CH_LINK, {0}, {0, 1, 0x01, 0x23, 0, 0}},
      {"lock", [](BoxState& s) { s.live.lock = 1; }, DSP_CH_LOCK, {0}, {0, 1}},
      {"bypass of a source", [](BoxState& s) { s.live.sources[3].bypass = 1; }, DSP_BYPASS, {0, 3, 0, 7}, {0, 3, 1}},
      {"eq reset names its scene", None, DSP_EQ_RESET, {0, 0, 0, 7}, {0}},
      {"eq bypass", [](BoxState& s) { s.live.outputs[1].eqBypass = 0; }, DSP_EQ_BYPASS, {0, 0, 0, 1}, {0, 0, 0, 1, 1, 0}},
      {"input trims of a source",
       [](BoxState& s) { s.live.sources[5].inputs[0].trim = 7; s.live.sources[5].inputs[1].trim = 9; },
       DSP_INPUT_TRIM_CH, {0, 5, 0, 5}, {0, 5, 0, 5, 7, 9, 0, 0, 0, 0}},
      {"input mutes", [](BoxState& s) { s.live.sources[2].inputs[1].mute = 1; }, DSP_INPUT_CH_MUTE, {0, 2, 0, 1}, {0, 2, 0, 1, 0, 1}},
      {"input phases", [](BoxState& s) { s.live.sources[1].inputs[0].phase = 1; }, INPUT_CH_PHASE, {0, 1, 0, 1}, {0, 1, 0, 1, 1, 0}},
      {"input eq", [](BoxState& s) { s.live.sources[5].inputs[1].eq[0] = EqBand{500, 1.5, 2.0}; },
       DSP_INPUT_EQ_CH, {0, 5, 1, 0, 0}, {0, 5, 1, 0, 0, 0x01, 0xF4, 1, 50, 20, 0}},
      {"input mix levels", [](BoxState& s) { s.live.sources[5].mixTrim[2][3] = 0; },
       DSP_INPUT_MIX_CH_TRIM, {0, 5, 2, 0, 7}, {0, 5, 2, 0, 7, 100, 100, 100, 0, 100, 100, 100, 100}},
      {"input threshold", None, DSP_INPUT_THRESHOLD, {0, 0}, {0xC4}},
      {"input noise", None, INPUT_NOISE, {0, 1}, {0, 1, 24, 5, 24, 0}},
      {"trim link", [](BoxState& s) { s.live.trimLink = ChannelLink{1, {{4, 5}}}; }, DSP_CH_TRIM_LINK, {0}, {0, 1, 0x45, 0, 0, 0}},
      {"delay link", None, DSP_CH_DELAY_LINK, {0}, {0, 0, 0, 0, 0, 0}},
      {"remote channel", [](BoxState& s) { s.live.remoteChannel = 258; }, DSP_REMOTE_CH, {}, {1, 2}},
      {"solo", [](BoxState& s) { s.live.outputs[5].solo = 1; }, DSP_CH_SOLO, {0, 0, 5, 5}, {0, 0, 5, 5, 1}},
      {"speaker configuration", [](BoxState& s) { s.live.speakerConfig = 0x21; }, DSP_SPK_CH_CONFIG, {}, {0x21}},
      {"mix type", [](BoxState& s) { s.live.sources[5].mixType = 2; }, MIX_TYPE, {0, 5}, {0, 5, 2}},
      {"mix type 2", [](BoxState& s) { s.live.sources[5].mixType2 = 3; }, MIX_TYPE2, {0, 5}, {3}},
      {"high-pass Q modes", [](BoxState& s) { s.live.outputs[1].hpfQMode = 2; }, DSP_HPF_Q_FACT_MODE, {0, 0, 0, 1}, {0, 0, 0, 1, 0, 2}},
      {"low-pass Q modes", [](BoxState& s) { s.live.outputs[0].lpfQMode = 1; }, DSP_LPF_Q_FACT_MODE, {0, 0, 0, 0}, {0, 0, 0, 0, 1}},
      {"factory preset", [](BoxState& s) { s.live.factoryPreset = 2; }, DSP_FACTORY_PRESET, {}, {2}},
      {"setup mode", [](BoxState& s) { s.live.setupMode = 1; }, DSP_SETUP_MODE, {}, {1}},
      {"auto effect", [](BoxState& s) { s.live.autoEffect = 1; }, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, {}, {1}},
      {"compressor of the range", None, DSP_COMPRESSOR_GET, {0, 0, 0, 7},
       {0, 0, 0, 7, 1, 123, 0, 100, 0, 24, 0, 0x03, 0xE8, 0x75, 0x30}},
      {"amplifier mute", [](BoxState& s) { s.live.ampMute = 1; }, DSP_AMP_MUTE, {}, {1}},
      {"input distortion", [](BoxState& s) { s.live.sources[5].inputs[1].distort = 1; },
       DSP_INPUT_CH_DISTORT, {0, 5, 0, 2}, {5, 0, 2, 0, 1, 0}},
      {"output distortion", [](BoxState& s) { s.live.outputs[7].distort = 1; },
       DSP_OUTPUT_CH_DISTORT, {0, 0, 6, 7}, {0, 6, 7, 0, 1}},
      {"memory word", [](BoxState& s) { s.memory[0x10] = 0x102; }, DSP_MEM_DATA, {0x10, 0, 0, 0, 0, 0, 0, 0},
       {0x10, 0, 0, 0, 2, 1, 0, 0}},
      {"memory word never written reads 0", None, DSP_MEM_DATA, {0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0},
       {0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0}},
      {"speaker distances", None, DSP_SPK_DIST, {0, 0, 0, 1}, {0, 0, 0, 1, 0, 110, 0, 115}},
      {"mix source", [](BoxState& s) { s.live.mixSource = 3; }, DSP_MIX_SOURCE_SWITCH, {}, {3}},
      // Stored scenes answer from their slot; blank slots read as erased flash.
      {"stored scene", [](BoxState& s) { s.scenes[1].erased = false; s.scenes[1].settings.outputs[0].mute = 1; },
       DSP_MUTE_CH, {2, 0, 0, 1}, {2, 0, 0, 1, 1, 0}},
      {"blank scene channel values", None, DSP_MUTE_CH, {3, 0, 0, 1}, {3, 0, 0, 1, 0xFF, 0xFF}},
      {"blank scene bands", None, DSP_EQ_CH, {3, 0, 0, 0, 0}, {3, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"blank scene lock", None, DSP_CH_LOCK, {3}, {3, 0xFF}},
  };
}

TEST(DspGet, EveryQueryIsAnsweredWithItsExactLayout) {
  for (const GetCase& c : GetCases()) {
    SCOPED_TRACE(c.name);
    BoxDriver driver;
    driver.Box().Modify(c.prepare);
    EXPECT_EQ(driver.DspGet(c.id, c.query), c.reply);
  }
}

struct RoundTrip {
  const char* name;
  std::uint8_t id;
  Bytes set;
  Bytes query;
  Bytes reply;
  bool fineTrim = false;
};

// What the program sends and what it reads back differ in form for some quantities; the
// box answers in the form that shows the same value.
TEST(DspGet, WhatWasSetReadsBackInTheFormTheProgramDecodes) {
  const RoundTrip cases[] = {
      {"trim -12 dB sent as 12, answered as -12", DSP_TRIM_CH, {0, 0, 2, 2, 12}, {0, 0, 2, 2}, {0, 0, 2, 2, 0xF4}},
      {"fine trim -12.5 dB sent as 12, 50, answered as its magnitude", DSP_TRIM_CH, {0, 0, 0, 0, 12, 50},
       {0, 0, 0, 0}, {0, 0, 0, 0, 12, 50}, true},
      {"main volume -6 dB sent as 6 - dB = 12", DSP_VOLUME, {12}, {}, {0xFA}},
      {"Q 2.5 sent as 2, 5, answered as 2, 50", DSP_EQ_CH, {0, 0, 1, 3, 0x03, 0xE8, 2, 5, 24, 5},
       {0, 0, 1, 3, 3}, {0, 0, 1, 3, 3, 0x03, 0xE8, 2, 50, 24, 5}},
      {"gain -3.3 dB", DSP_EQ_CH, {0, 0, 0, 0, 0x00, 0x64, 9, 9, 14, 7}, {0, 0, 0, 0, 0},
       {0, 0, 0, 0, 0, 0x00, 0x64, 9, 90, 14, 7}},
      {"input eq Q 1.5", DSP_INPUT_EQ_CH, {0, 0, 0, 4, 4, 0x01, 0xF4, 1, 5, 18, 0},
       {0, 0, 0, 4, 4}, {0, 0, 0, 4, 4, 0x01, 0xF4, 1, 50, 18, 0}},
      {"compressor threshold -49.5 dB keeps its tenths", DSP_COMPRESSOR_GET,
       {0, 0, 1, 0, 50, 5, 4, 0, 6, 0, 0, 10, 0, 100}, {0, 0, 1, 1},
       {0, 0, 1, 1, 0, 50, 5, 4, 0, 6, 0, 0, 10, 0, 100}},
      {"delay 12.345 ms", DSP_DELAY_CH, {0, 0, 7, 7, 12, 0x01, 0x59}, {0, 0, 7, 7}, {0, 0, 7, 7, 12, 0x01, 0x59}},
      {"source switch code", DSP_SOURCE_SWITCH, {0x53}, {}, {0x53}},
      {"subwoofer volume -3", DSP_SUBWOOFER_VOLUME, {0xFD}, {}, {0xFD}},
      {"filter", DSP_FILTER_GET, {0, 0, 6, 2, 1, 0x00, 0x64, 8}, {0, 0, 6, 6},
       {0, 0, 6, 6, 2, 0x00, 0x14, 4, 1, 0x00, 0x64, 8}},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoxConfig config;
    config.fineTrim = c.fineTrim;
    BoxDriver driver(config);
    EXPECT_EQ(driver.DspSet(c.id, c.set), AckFrame(DSP_PACKET, c.id));
    EXPECT_EQ(driver.DspGet(c.id, c.query), c.reply);
  }
}

TEST(DspGet, RangesAreClippedToWhatExistsAndWhatOneFrameHolds) {
  BoxDriver driver;
  // Eight filters need 68 bytes: six fit.
  const Bytes filters = driver.DspGet(DSP_FILTER_GET, {0, 0, 0, 7});
  ASSERT_EQ(filters.size(), 4u + 6 * 8);
  EXPECT_EQ(filters[3], 5);
  // 31 bands: eight fit.
  const Bytes bands = driver.DspGet(DSP_EQ_CH, {0, 0, 0, 0, 30});
  ASSERT_EQ(bands.size(), 5u + 8 * 6);
  EXPECT_EQ(bands[4], 7);
  // Channels past the last output: the header says nothing follows.
  EXPECT_EQ(driver.DspGet(DSP_MUTE_CH, {0, 0, 9, 12}), (Bytes{0, 0, 9, 7}));
  EXPECT_EQ(driver.DspGet(DSP_MUTE_CH, {0, 0, 6, 200}), (Bytes{0, 0, 6, 7, 0, 0}));
  // A last channel of 255 ends at the box's last output.
  EXPECT_EQ(driver.DspGet(DSP_PHASE_CH, {0, 0, 7, 255}), (Bytes{0, 0, 7, 7, 0}));
}

TEST(DspGet, UnknownScenesAndSourcesAreNotAnswered) {
  BoxDriver driver;
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_MUTE_CH, OP_GET, {11, 0, 0, 7}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_MIX_CH, OP_GET, {0, 9, 0, 7}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_EQ_CH, OP_GET, {0, 0, 8, 0, 7}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_MUTE_CH, OP_GET, {0, 0, 0}).empty());
}

TEST(DspGet, NineInputsOrMoreAnswerTwoMaskBytes) {
  VirtualBoxConfig config;
  config.inputCount = 10;
  BoxDriver driver(config);
  driver.Box().Modify([](BoxState& s) { s.live.sources[0].mixMask[1] = 0x0201; });
  EXPECT_EQ(driver.DspGet(DSP_MIX_CH, {0, 0, 0, 1}), (Bytes{0, 0, 0, 1, 0, 1, 2, 1}));
}

TEST(DspGet, FactoryStateIsBelievable) {
  const BoxState s = FactoryState();
  EXPECT_EQ(s.live.outputs[0].bands[17].freqHz, 1000);
  EXPECT_EQ(s.live.outputs[6].lowPass.freqHz, 70);
  EXPECT_NE(s.live.mainVolumeDb, 0);
  EXPECT_EQ(s.ValidMask(), 0x0001);
  EXPECT_EQ(s.scenes[1].name, (std::array<std::uint8_t, 16>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace qb::sim::test
