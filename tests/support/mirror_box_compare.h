#pragma once
// The box's live settings against the mirror, as the wire carries each value: what a
// randomized session checks after every step, through the window or the core alone.

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <type_traits>

#include "core/output_levels.h"
#include "core/profile.h"
#include "devicelink/value_encoding.h"
#include "simulator/box_state.h"
#include "simulator/virtual_box.h"

namespace qb::test {

// --- what the box must hold for a mirror value, through the wire encoding ------------------

inline double SentVolume(float gain) { return -DecodeTrimCoarse(EncodeTrimCoarse(-static_cast<double>(gain))); }
inline double SentDelay(float ms) { return DecodeDelay(EncodeDelay(static_cast<double>(ms))).value_or(-1.0); }
inline double SentGain(double db) { return DecodeEqGain(EncodeEqGain(db)).value_or(-99.0); }
/// The box keeps 6 - the attenuation sent for a slider position (whose minimum is 0).
inline int SentMainVolumeDb(int position) {
  const auto attenuation = static_cast<float>(MainVolumeAttenuation(position, 0));
  return 6 - DecodeSignedByte(EncodeMainVolume(static_cast<double>(attenuation)));
}
inline double SentQ(float q) { return DecodeEqQCommand(EncodeEqQ(static_cast<double>(q))).value_or(-1.0); }

/// A field of an output, named only when it differs (the comparison runs after every step).
struct Field {
  int output;
  const char* what;
  int band = -1;
  std::string Text() const {
    std::string text = "output " + std::to_string(output) + " ";
    if (band >= 0) text += "band " + std::to_string(band) + " ";
    return text + what;
  }
};

/// Collects the fields in which the box differs from the mirror.
class Differences {
 public:
  template <typename Name, typename A, typename B>
  void Check(bool same, const Name& field, const A& box, const B& mirror) {
    if (same) return;
    std::ostringstream line;
    if constexpr (std::is_same_v<Name, Field>) line << "  " << field.Text();
    else line << "  " << field;
    line << ": box " << box << ", mirror " << mirror << "\n";
    m_text += line.str();
  }
  template <typename Name, typename A, typename B>
  void Equal(const Name& field, const A& box, const B& mirror) {
    Check(box == mirror, field, box, mirror);
  }
  template <typename Name>
  void Near(const Name& field, double box, double mirror, double tolerance = 1e-6) {
    Check(std::fabs(box - mirror) <= tolerance, field, box, mirror);
  }
  bool Empty() const { return m_text.empty(); }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

inline void CompareOutput(const sim::OutputChannel& box, const Profile& live, int o, Differences& d) {
  const OutputChannel& ch = live.channels[static_cast<std::size_t>(o)];
  d.Near(Field{o, "volume"}, box.volumeDb, SentVolume(ch.gain));
  d.Equal(Field{o, "mute"}, int{box.mute}, ch.mute);
  d.Equal(Field{o, "phase"}, int{box.phase}, ch.phase);
  d.Near(Field{o, "delay"}, box.delayMs, SentDelay(ch.delay), 1e-9);
  d.Equal(Field{o, "role"}, int{box.role}, live.outputs[static_cast<std::size_t>(o)]);
  d.Equal(Field{o, "eq bypass"}, int{box.eqBypass}, int{ch.bypass});
  const Crossover& x = ch.crossover;
  d.Equal(Field{o, "hp type"}, int{box.highPass.family}, x.hp.type);
  d.Equal(Field{o, "hp freq"}, int{box.highPass.freqHz}, x.hp.fs);
  d.Equal(Field{o, "hp slope"}, int{box.highPass.slope}, x.hp.slope);
  d.Equal(Field{o, "lp type"}, int{box.lowPass.family}, x.lp.type);
  d.Equal(Field{o, "lp freq"}, int{box.lowPass.freqHz}, x.lp.fs);
  d.Equal(Field{o, "lp slope"}, int{box.lowPass.slope}, x.lp.slope);
  for (int b = 0; b < EqSize(live, o); ++b) {
    const EqBand& band = ch.bands[static_cast<std::size_t>(b)];
    const sim::EqBand& boxBand = box.bands[static_cast<std::size_t>(b)];
    // A switched-off band is sent flat; its gain stays in the mirror for switching it on.
    const double applied = band.enable == 1 ? static_cast<double>(band.eqGain) : 0.0;
    d.Equal(Field{o, "freq", b}, int{boxBand.freqHz}, band.freq);
    d.Near(Field{o, "q", b}, boxBand.q, SentQ(band.eqFactor), 1e-9);
    d.Near(Field{o, "gain", b}, boxBand.gainDb, SentGain(applied), 1e-9);
  }
}

/// Every field the box stores that the live editing keeps in the mirror.
inline std::string CompareBoxWithMirror(const sim::Settings& box, const Profile& live) {
  Differences d;
  for (int o = 0; o < kOutputCount; ++o) CompareOutput(box.outputs[static_cast<std::size_t>(o)], live, o, d);
  d.Equal("source", int{box.source}, live.inputSource);
  d.Equal("main volume dB", box.mainVolumeDb, SentMainVolumeDb(live.mainVolume));
  d.Equal("main mute", int{box.mainMute}, live.mainVolumeMute);
  d.Equal("amplifier muted", int{box.ampMute}, live.ampOn == 1 ? 0 : 1);
  d.Equal("lock", int{box.lock}, live.lockMode);
  d.Equal("link", int{box.link.on}, live.linkMode);
  if (live.linkMode == 1) {
    // Each pair sent is an output and its partner. Partners need not be mutual: with a role
    // given twice, both outputs point to the one mirrored output, which points back to the
    // first, and only the outputs on the copying side send their pair. A mutual partnership
    // is always sent, from one side or the other.
    const auto partner = [&live](int o) { return live.linkOutputs[static_cast<std::size_t>(o)]; };
    for (const sim::LinkPair& pair : box.link.pairs) {
      d.Equal("partner of pair source " + std::to_string(pair.from), int{pair.to}, partner(pair.from));
    }
    for (int o = 0; o < kOutputCount; ++o) {
      const int p = partner(o);
      if (p < 0 || partner(p) != o) continue;
      const bool held = std::any_of(box.link.pairs.begin(), box.link.pairs.end(), [o, p](const sim::LinkPair& pair) {
        return (pair.from == o && pair.to == p) || (pair.from == p && pair.to == o);
      });
      d.Check(held, "pair of output " + std::to_string(o), "none", p);
    }
  }
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      // Names are built only for a difference: the tables are compared after every step.
      const std::string where = " source " + std::to_string(s) + " output " + std::to_string(o);
      if (int{box.sources[s].mixMask[o]} != live.inputs[s][o])
        d.Equal("routing" + where, int{box.sources[s].mixMask[o]}, live.inputs[s][o]);
      for (std::size_t in = 0; in < kMixInputSlots; ++in) {
        if (int{box.sources[s].mixTrim[in][o]} == live.inputMixVolume[s][in][o]) continue;
        d.Equal("mix level input " + std::to_string(in) + where, int{box.sources[s].mixTrim[in][o]},
                live.inputMixVolume[s][in][o]);
      }
    }
  }
  return d.Text();
}

/// The box copies each linked pair's equaliser, crossover and bypass from the first output of
/// the pair to the second when link mode starts (the program only copies its mirror); the
/// virtual box leaves that out, so the session adds it.
class LinkCopyExtension : public sim::BoxExtension {
 public:
  bool Handle(const sim::BoxCommand& command, sim::BoxContext& box) override {
    if (command.packetType != DSP_PACKET || command.commandId != DSP_CH_LINK || command.opType != OP_SET) {
      return false;
    }
    const auto& p = command.payload;
    if (p.size() < 3 || p[0] != kLiveScene || p[1] != 1) return false;
    sim::Settings& live = box.State().live;
    for (std::size_t k = 0; k < p[2] && 4 + 2 * k < p.size(); ++k) {
      const std::size_t from = p[3 + 2 * k];
      const std::size_t to = p[4 + 2 * k];
      if (from >= kOutputSlots || to >= kOutputSlots) continue;
      live.outputs[to].bands = live.outputs[from].bands;
      live.outputs[to].highPass = live.outputs[from].highPass;
      live.outputs[to].lowPass = live.outputs[from].lowPass;
      live.outputs[to].eqBypass = live.outputs[from].eqBypass;
    }
    return false;  // the built-in handler stores the link and answers
  }
};

/// The comparison against the box's live settings as they stand, read in place.
inline std::string CompareBoxWithMirror(const sim::VirtualBox& box, const Profile& live) {
  std::string diff;
  box.Inspect([&](const sim::BoxState& state) { diff = CompareBoxWithMirror(state.live, live); });
  return diff;
}

}  // namespace qb::test
