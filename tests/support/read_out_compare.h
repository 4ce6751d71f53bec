#pragma once
// The session's mirror against the mirror of a program that has just read the same box:
// every field a read-out sets, each taken from the box by the program's own reading.
// CompareBoxWithMirror predicts the box from the mirror through the wire encodings, so a
// value the box holds otherwise than the window shows (a Q cut to the box's tenth, a level
// read back another way) looks the same on both sides there; here it is a difference.

#include <cstdio>
#include <string>

#include "core/box_limits.h"
#include "core/equalizer_mirror.h"
#include "core/output_levels.h"
#include "core/source_catalogue.h"
#include "devicelink/value_encoding.h"
#include "tests/support/mirror_box_compare.h"

namespace qb::test {

/// Floats read back from the box are the box's steps (tenths of a dB or of Q, samples of
/// delay); anything closer than this is the same value.
inline constexpr double kReadBackTolerance = 1e-4;

/// A scene name for a message: ASCII as it is, anything else as \uXXXX.
inline std::string NameText(const SceneName& name) {
  std::string text = "\"";
  for (const char16_t unit : name) {
    if (unit == u'\0') break;
    if (unit >= 0x20 && unit < 0x7F) {
      text += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      text += escaped;
    }
  }
  return text + "\"";
}

/// What one settings set holds in both a live read-out and a scene read: each output's
/// levels, role, crossover and bands in use (a switched-off band sounds flat), and the
/// routing and the mix levels the box keeps. `box` is what the box was read as, `shown`
/// what the session shows.
inline void CompareSettings(const Profile& box, const Profile& shown, Differences& d) {
  constexpr double tolerance = kReadBackTolerance;
  for (int o = 0; o < kOutputCount; ++o) {
    const OutputChannel& b = box.channels[At(o)];
    const OutputChannel& m = shown.channels[At(o)];
    d.Near(Field{o, "volume"}, b.gain, m.gain, tolerance);
    d.Equal(Field{o, "mute"}, b.mute, m.mute);
    d.Equal(Field{o, "phase"}, b.phase, m.phase);
    d.Near(Field{o, "delay"}, b.delay, m.delay, tolerance);
    d.Equal(Field{o, "role"}, box.outputs[At(o)], shown.outputs[At(o)]);
    d.Equal(Field{o, "eq bypass"}, int{b.bypass}, int{m.bypass});
    const auto filter = [&](const char* const (&names)[4], const CrossoverFilter& bf, const CrossoverFilter& mf) {
      d.Equal(Field{o, names[0]}, bf.fs, mf.fs);
      d.Equal(Field{o, names[1]}, bf.type, mf.type);
      d.Equal(Field{o, names[2]}, bf.slope, mf.slope);
      d.Equal(Field{o, names[3]}, bf.bypass, mf.bypass);
    };
    filter({"hp freq", "hp type", "hp slope", "hp off"}, b.crossover.hp, m.crossover.hp);
    filter({"lp freq", "lp type", "lp slope", "lp off"}, b.crossover.lp, m.crossover.lp);
    d.Equal(Field{o, "band count"}, EqSize(box, o), EqSize(shown, o));
    for (int k = 0; k < std::min(EqSize(box, o), EqSize(shown, o)); ++k) {
      const EqBand& bb = b.bands[At(k)];
      const EqBand& mb = m.bands[At(k)];
      d.Equal(Field{o, "freq", k}, bb.freq, mb.freq);
      d.Near(Field{o, "q", k}, bb.eqFactor, mb.eqFactor, tolerance);
      d.Near(Field{o, "gain", k}, bb.eqGain, mb.enable == 1 ? mb.eqGain : 0.0f, tolerance);
    }
  }
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      // Names are built only for a difference: the tables are compared after every step.
      const auto where = [&] { return " source " + std::to_string(s) + " output " + std::to_string(o); };
      if (box.inputs[s][o] != shown.inputs[s][o]) d.Equal("routing" + where(), box.inputs[s][o], shown.inputs[s][o]);
      for (std::size_t in = 0; in < At(InputsOfSource(static_cast<int>(s))); ++in) {
        const int b = box.inputMixVolume[s][in][o];
        // A read-out shows a routed input the box holds at 0 at full level: the level the
        // mirror holds at 0 is read back so (the mixer never leaves a routed input at 0;
        // the routing editor's own level can).
        const bool routed = (shown.inputs[s][o] >> in & 1) != 0;
        const int held = shown.inputMixVolume[s][in][o];
        const int m = routed && held < 1 ? kFullMixLevel : held;
        if (b != m) d.Equal("mix level input " + std::to_string(in) + where(), b, m);
      }
    }
  }
  d.Equal("link", box.linkMode, shown.linkMode);
  d.Equal("lock", box.lockMode, shown.lockMode);
}

/// Everything a read-out at the start of a program sets, box against session: the live
/// settings with the source, main volume, mute, amplifier, the box's own switches and
/// linked partners, the ten scene
/// names and which slots hold a scene, and, when `currentScene`, which scene is current
/// (the session knows it only after a scene it loaded or saved).
inline std::string CompareReadOut(const EqualizerMirror& box, const EqualizerMirror& shown, bool currentScene) {
  Differences d;
  const Profile& b = box.currentProfile;
  const Profile& m = shown.currentProfile;
  CompareSettings(b, m, d);
  d.Equal("source", b.inputSource, m.inputSource);
  // The box keeps the main volume in whole dB, which several slider steps near the top
  // share, and the read-out turns the dB back into a step of its own (40 reads back as 39,
  // 0 as 1): the same volume as long as the box would be sent the same byte.
  const auto held = [](int position) { return int{EncodeMainVolume(MainVolumeAttenuation(position, 0))}; };
  if (held(b.mainVolume) != held(m.mainVolume)) d.Equal("main volume", b.mainVolume, m.mainVolume);
  d.Equal("main mute", b.mainVolumeMute, m.mainVolumeMute);
  d.Equal("amplifier on", b.ampOn, m.ampOn);
  d.Equal("automatic effect", b.autoEffect, m.autoEffect);
  d.Equal("noise threshold", b.noiseThreshold, m.noiseThreshold);
  d.Equal("power-off delay", b.powerOffDelay, m.powerOffDelay);
  for (int o = 0; o < kOutputCount; ++o)
    d.Equal(Field{o, "partner"}, b.linkOutputs[At(o)], m.linkOutputs[At(o)]);
  for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) {
    const SceneName& bn = box.sceneNames[At(n - kFirstStoredScene)];
    const SceneName& mn = shown.sceneNames[At(n - kFirstStoredScene)];
    d.Check(bn == mn, "name of scene " + std::to_string(n), NameText(bn), NameText(mn));
  }
  d.Equal("valid scenes", box.sceneValid, shown.sceneValid);
  if (currentScene) d.Equal("current scene", box.currentScene, shown.currentScene);
  return d.Text();
}

}  // namespace qb::test
