#pragma once
// A random user of the editing services: one operation at a time, with arguments inside and
// outside the ranges the controls allow, the questions answered at random. Shared by the
// long random session and the undo/redo session.

#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/equalizer_manager.h"

namespace qb::test {

/// The seed of a random session: QB_SESSION_SEED, or `fallback`. Printed with every
/// failure, so a failing session can be replayed exactly.
inline unsigned SessionSeed(unsigned fallback) {
  const char* text = std::getenv("QB_SESSION_SEED");
  if (text == nullptr || *text == '\0') return fallback;
  return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
}

/// The length of a random session: QB_SESSION_STEPS, or `fallback` (a few seconds in the
/// suite; a long run chooses its own).
inline int SessionSteps(int fallback) {
  const char* text = std::getenv("QB_SESSION_STEPS");
  if (text == nullptr || *text == '\0') return fallback;
  const long steps = std::strtol(text, nullptr, 10);
  return steps > 0 ? static_cast<int>(steps) : fallback;
}

/// Picks one editing operation at a time, with random arguments inside and outside the
/// ranges the controls allow, and answers the questions at random.
class EditDriver {
 public:
  EditDriver(EqualizerManager& core, unsigned seed) : m_core(core), m_random(seed) {
    m_actions = {
        {"select output", 4, [this] { m_core.Outputs().SelectOutput(Output()); }},
        {"volume fader", 6, [this] { m_core.Outputs().SetVolumeTenths(Output(), Pick(-65, 1) * 10); }},
        {"volume typed", 4, [this] { m_core.Outputs().SetVolumeDb(Output(), Pick(-80, 10)); }},
        {"volume step", 3, [this] { m_core.Outputs().StepVolume(Output(), Chance(50)); }},
        {"mute", 2, [this] { m_core.Outputs().SetMute(Output(), Chance(50)); }},
        {"phase", 2, [this] { m_core.Outputs().SetPhase(Output(), Chance(50)); }},
        {"show curve", 1, [this] { m_core.Outputs().SetShowCurve(Output(), Chance(50)); }},
        {"synchronize", 4, [this] { m_core.Outputs().SetSynchronize(Output(), Chance(60)); }},
        {"delay slider", 3, [this] { m_core.Outputs().SetDelayMicros(Output(), Pick(-100, 16000)); }},
        {"delay typed", 3, [this] { m_core.Outputs().SetDelayTyped(Output(), PickReal(-10.0, 400.0)); }},
        {"delay step", 2, [this] { m_core.Outputs().StepDelay(Output(), Chance(50)); }},
        {"delay unit", 1, [this] { m_core.Outputs().SetDelayUnit(static_cast<DelayUnit>(Pick(0, 2))); }},
        {"main volume", 2, [this] { m_core.Main().SetMainVolume(Pick(-5, 45)); }},
        {"main volume step", 1, [this] { m_core.Main().StepMainVolume(Chance(50)); }},
        {"main mute", 1, [this] { m_core.Main().SetMainMute(Chance(50)); }},
        {"amplifier", 1, [this] { m_core.Main().SetAmp(Chance(50)); }},
        // Roles are offered only while unlocked, as the output buttons are.
        {"role", 4,
         [this] {
           if (m_core.CurrentProfile().lockMode != 1) m_core.Routing().SetRole(Output(), Pick(0, kRoleCount - 1));
         }},
        {"focus role", 1, [this] { m_core.Routing().FocusRole(Pick(0, kRoleCount)); }},
        {"source", 1, [this] { m_core.Routing().SetSource(Pick(0, 8)); }},
        {"input", 3, [this] { m_core.Routing().SetInput(Output(), Pick(1, 6), Chance(50)); }},
        {"mix level", 2, [this] { m_core.Routing().SetMixLevel(Pick(0, 8), Pick(1, 8), Output(), Pick(-5, 105)); }},
        {"lock", 2, [this] { m_core.Links().ToggleLock(Answer(75)); }},
        {"link", 3, [this] { m_core.Links().ToggleLink([this] { return Direction(); }); }},
        {"output reset", 1, [this] { m_core.Links().ResetOutputs(Chance(50) ? OutputReset::Default : OutputReset::Emptied); }},
        {"band typed", 8, [this] { m_core.Eq().EditBand(EqOutput(), Band(), Pick(0, 21000), Q(), Gain()); }},
        {"band slider", 5, [this] { m_core.Eq().SetBandGainTenths(EqOutput(), Band(), Pick(-180, 120)); }},
        {"band drag", 5, [this] { m_core.Eq().DragBand(EqOutput(), Band(), Pick(10, 20100), Q(), Gain()); }},
        {"band enable", 2, [this] { m_core.Eq().ToggleBandEnable(EqOutput(), Band()); }},
        {"band steps", 4, [this] { StepBand(); }},
        {"bypass", 3, [this] { m_core.Eq().ToggleBypass(EqOutput(), Answer(80)); }},
        {"eq mode", 1, [this] { m_core.Eq().ToggleEqMode(Answer(80)); }},
        {"eq reset", 1, [this] { m_core.Eq().ResetEq(EqOutput(), Answer(70)); }},
        {"crossover typed", 3, [this] { m_core.Crossovers().SetFrequency(EqOutput(), Chance(50), Pick(0, 22000)); }},
        {"crossover drag", 2, [this] { m_core.Crossovers().DragFrequency(EqOutput(), Chance(50), Pick(-1, 20100)); }},
        {"crossover step", 2, [this] { m_core.Crossovers().StepFrequency(EqOutput(), Chance(50), Chance(50)); }},
        {"slope", 3, [this] { m_core.Crossovers().SetSlope(EqOutput(), Chance(50), Pick(-1, 8)); }},
        {"family", 2, [this] { m_core.Crossovers().SetType(EqOutput(), Chance(50), Pick(0, 4)); }},
    };
    for (const Action& a : m_actions) m_total += a.weight;
  }

  /// Does one random operation; returns its name.
  std::string Step() {
    int roll = Pick(0, m_total - 1);
    for (const Action& a : m_actions) {
      if (roll < a.weight) {
        a.run();
        return a.name;
      }
      roll -= a.weight;
    }
    return "nothing";
  }

 private:
  struct Action {
    std::string name;
    int weight;
    std::function<void()> run;
  };

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
  double PickReal(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }
  int Output() { return Pick(0, kOutputCount - 1); }
  /// The equaliser is mostly edited on the current output, as in the window.
  int EqOutput() { return Chance(80) ? m_core.CurrentProfile().currChannel : Output(); }
  int Band() { return Pick(0, kMaxEqBands - 1); }
  float Q() { return static_cast<float>(PickReal(0.2, 10.0)); }
  float Gain() { return Chance(15) ? 0.0f : static_cast<float>(Pick(-200, 140)) / 10.0f; }
  Confirm Answer(int yesPercent) {
    const bool yes = Chance(yesPercent);
    return [yes](Question) { return yes; };
  }
  std::optional<CopyDirection> Direction() {
    const int pick = Pick(0, 4);
    if (pick == 0) return std::nullopt;
    return pick % 2 == 0 ? CopyDirection::LeftToRight : CopyDirection::RightToLeft;
  }
  void StepBand() {
    const int output = EqOutput();
    const int band = Band();
    switch (Pick(0, 2)) {
      case 0: m_core.Eq().StepBandFrequency(output, band, Chance(50)); break;
      case 1: m_core.Eq().StepBandQ(output, band, Chance(50)); break;
      default: m_core.Eq().StepBandGain(output, band, Chance(50)); break;
    }
  }

  EqualizerManager& m_core;
  std::mt19937 m_random;
  std::vector<Action> m_actions;
  int m_total = 0;
};

}  // namespace qb::test
