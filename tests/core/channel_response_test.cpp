// The display curves of the outputs: they follow the channel curve rule of the mirror (what
// counts as bypassed, disabled or out of use), and the incremental path of live editing
// gives the same bits as a computation from scratch.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <memory>
#include <random>

#include "core/channel_response.h"
#include "core/equalizer_mirror.h"
#include "core/profile.h"
#include "core/profile_defaults.h"
#include "dspmath/channel_curve.h"
#include "dspmath/crossover_design.h"
#include "dspmath/curve_grid.h"
#include "dspmath/freq_grid.h"
#include "dspmath/peaking_eq.h"

namespace qb {
namespace {

/// Index of the first point where the curves differ in any bit, or -1.
int FirstDifference(const Curve& a, const Curve& b) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    if (!(a[k] == b[k])) {
      return static_cast<int>(k);
    }
  }
  return -1;
}

void AddInto(const Curve& part, Curve& total) {
  for (std::size_t k = 0; k < kCurveSize; ++k) total[k] += part[k];
}

/// The channel curve put together literally from the filter and band operations: a filter
/// part is 0 dB while its bypass flag is 1, a band's gain is 0 while the equaliser is
/// bypassed or the band disabled, and only bands below eqSize take part.
Curve LiteralResponse(const OutputChannel& ch, bool bypassed) {
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  Curve total{};
  Curve part{};
  const CrossoverFilter& hp = ch.crossover.hp;
  const CrossoverFilter& lp = ch.crossover.lp;
  if (hp.bypass != 1) {
    EXPECT_TRUE(CrossoverCurve(2, CurveSampleRate, hp.fs, hp.slope, hp.type, grid, part));
    AddInto(part, total);
  }
  if (lp.bypass != 1) {
    EXPECT_TRUE(CrossoverCurve(1, CurveSampleRate, lp.fs, lp.slope, lp.type, grid, part));
    AddInto(part, total);
  }
  for (int i = 0; i < ch.eqSize; ++i) {
    const EqBand& band = ch.bands[static_cast<std::size_t>(i)];
    const double gain = (bypassed || band.enable == 0) ? 0.0 : band.eqGain;
    EXPECT_TRUE(PeakingCurve(CurveSampleRate, band.freq, gain, band.eqFactor, grid, part));
    AddInto(part, total);
  }
  return total;
}

/// Random but reproducible edits, made the way the editing operations make them.
class Edits {
 public:
  explicit Edits(unsigned seed) : m_rng(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(m_rng);
  }
  bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

  int Frequency() {
    return static_cast<int>(std::lround(std::pow(10.0, Uniform(std::log10(20.0), 4.30103))));
  }

  EqBand Band() {
    EqBand band;
    band.freq = Frequency();
    band.eqFactor = static_cast<float>(Uniform(0.5, 9.0));
    band.eqGain = Chance(0.15) ? 0.0f : static_cast<float>(Int(-150, 150)) / 10.0f;
    band.enable = Chance(0.2) ? 0 : 1;
    return band;
  }

  void Filter(CrossoverFilter& f) {
    f.SetFs(Chance(0.05) ? 20001 : Frequency());
    f.SetType(Int(0, 4));
    f.SetSlope(Int(-1, 9));
  }

  void Channel(OutputChannel& ch) {
    for (EqBand& band : ch.bands) band = Band();
    ch.eqSize = Chance(0.6) ? 31 : Int(1, 31);
    ch.bypass = Chance(0.3) ? 1 : 0;
    Filter(ch.crossover.hp);
    Filter(ch.crossover.lp);
  }

 private:
  std::mt19937 m_rng;
};

TEST(ChannelResponse, AxisIsTheStandardLogGrid) {
  auto response = std::make_unique<ChannelResponse>();
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  EXPECT_EQ(FirstDifference(response->Frequencies(), grid), -1);
  EXPECT_EQ(response->Frequencies()[510], 24000.0);
}

TEST(ChannelResponse, MatchesTheLiteralSumOfFilterAndBandCurves) {
  Edits edits(20261209);
  auto response = std::make_unique<ChannelResponse>();
  int compared = 0;
  for (int trial = 0; trial < 60; ++trial) {
    OutputChannel ch;
    edits.Channel(ch);
    const bool bypassed = ch.bypass != 0;
    response->Compute(ch, bypassed);
    const Curve expected = LiteralResponse(ch, bypassed);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      // Below -100 dB a section sits on the -400 dB floor in at least one evaluator; near
      // -80 dB per section the two may round to different sides of it.
      if (expected[k] > -100.0 && response->Response()[k] > -100.0) {
        ASSERT_NEAR(response->Response()[k], expected[k], 1e-6)
            << "trial " << trial << " point " << k;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 60 * 250);  // most points of most trials are above -100 dB
}

TEST(ChannelResponse, FreshOutputShowsOnlyItsRoleCrossover) {
  auto profile = std::make_unique<Profile>();
  for (int o = 0; o < kOutputCount; ++o) {
    Bands(*profile, o)[10].eqGain = 9.0f;  // bypassed: must not show
  }
  auto curves = std::make_unique<ChannelResponses>();
  for (int o = 0; o < kOutputCount; ++o) {
    SCOPED_TRACE(o);
    ASSERT_TRUE(ComputeChannelResponse(*profile, o, true, *curves));
    OutputChannel crossoverOnly = profile->channels[static_cast<std::size_t>(o)];
    crossoverOnly.eqSize = 0;
    auto reference = std::make_unique<ChannelResponse>();
    reference->ComputeFromScratch(crossoverOnly, false);
    EXPECT_EQ(FirstDifference(curves->At(o)->Response(), reference->Response()), -1);
  }
  // Output 1 is full range: a fourth-order high-pass at 20 Hz, nothing above it.
  EXPECT_NEAR(curves->At(0)->Response()[400], 0.0, 1e-6);
  EXPECT_LT(curves->At(0)->Response()[0], -60.0);
}

TEST(ChannelResponse, FlagsThatSwitchPartsOff) {
  // Each case changes one flag of an output whose bands are boosted and whose filters are
  // both on; the curve must then equal that of the reference variant, in which the part
  // concerned is plainly absent.
  struct Case {
    const char* what;
    void (*change)(OutputChannel&);
    void (*reference)(OutputChannel&);
  };
  const Case cases[] = {
      {"equaliser bypass hides every band", [](OutputChannel& c) { c.bypass = 1; },
       [](OutputChannel& c) { c.eqSize = 0; }},
      {"a disabled band is flat", [](OutputChannel& c) { c.bands[3].enable = 0; },
       [](OutputChannel& c) { c.bands[3].eqGain = 0.0f; }},
      {"bands from eqSize on are not part of the output",
       [](OutputChannel& c) { c.eqSize = 3; },
       [](OutputChannel& c) { for (std::size_t i = 3; i < 31; ++i) c.bands[i].eqGain = 0.0f; }},
      {"a filter stored bypassed with a slope is flat",
       [](OutputChannel& c) { c.crossover.hp.bypass = 1; },
       [](OutputChannel& c) { c.crossover.hp.SetSlope(0); }},
      {"slope 0 stays off even when stored with bypass 0",
       [](OutputChannel& c) { c.crossover.lp.slope = 0; },
       [](OutputChannel& c) { c.crossover.lp.SetSlope(0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OutputChannel base;
    base.bypass = 0;
    for (std::size_t i = 0; i < 31; ++i) base.bands[i].eqGain = 3.0f;
    base.crossover = RoleDefaultCrossover(kRoleFrontLeftMidrange);
    OutputChannel changed = base;
    c.change(changed);
    OutputChannel reference = base;
    c.reference(reference);
    auto a = std::make_unique<ChannelResponse>();
    auto b = std::make_unique<ChannelResponse>();
    a->Compute(changed, changed.bypass != 0);
    b->ComputeFromScratch(reference, reference.bypass != 0);
    EXPECT_EQ(FirstDifference(a->Response(), b->Response()), -1);
    auto unchanged = std::make_unique<ChannelResponse>();
    unchanged->Compute(base, false);
    EXPECT_NE(FirstDifference(unchanged->Response(), a->Response()), -1) << "change had no effect";
  }
}

TEST(EqualizerMirrorResponse, OneBandChangeEvaluatesOneSection) {
  auto mirror = std::make_unique<EqualizerMirror>();
  Profile& live = mirror->currentProfile;
  live.channels[2].bypass = 0;
  for (EqBand& band : mirror->Bands(2)) band.eqGain = 2.0f;
  ASSERT_TRUE(mirror->ComputeChannelResponse(2, false));
  const ChannelResponse& curves = *mirror->Response(2);

  struct Step {
    const char* what;
    void (*edit)(Profile&);
    bool bypassed;
    std::uint64_t sections;
  };
  const Step steps[] = {
      {"one band's gain", [](Profile& p) { Bands(p, 2)[17].eqGain = -6.5f; }, false, 1},
      {"one band's Q", [](Profile& p) { Bands(p, 2)[4].eqFactor = 1.2f; }, false, 1},
      {"the high-pass slope", [](Profile& p) { p.channels[2].crossover.hp.SetSlope(6); }, false, 1},
      {"nothing", [](Profile&) {}, false, 0},
      {"equaliser bypass on", [](Profile& p) { p.channels[2].bypass = 1; }, true, 0},
      {"equaliser bypass off again", [](Profile& p) { p.channels[2].bypass = 0; }, false, 0},
      {"a band disabled and enabled again",
       [](Profile& p) { Bands(p, 2)[9].enable = 0; Bands(p, 2)[9].enable = 1; }, false, 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::uint64_t before = curves.SectionsEvaluated();
    step.edit(live);
    ASSERT_TRUE(mirror->ComputeChannelResponse(2, step.bypassed));
    EXPECT_EQ(curves.SectionsEvaluated() - before, step.sections);
  }
}

TEST(EqualizerMirrorResponse, IncrementalEditsGiveTheSameBitsAsFromScratch) {
  auto mirror = std::make_unique<EqualizerMirror>();
  Edits edits(7140);
  for (int s = 0; s < kSceneCount; ++s) {
    for (OutputChannel& ch : mirror->scenes[static_cast<std::size_t>(s)].channels) {
      edits.Channel(ch);
    }
  }
  mirror->ComputeAllChannelResponses();
  auto scratch = std::make_unique<ChannelResponse>();
  Curve total;

  for (int step = 0; step < 1500; ++step) {
    Profile& live = mirror->currentProfile;
    const int o = edits.Int(0, kOutputCount - 1);
    OutputChannel& ch = live.channels[static_cast<std::size_t>(o)];
    const int kind = edits.Int(0, 99);
    if (kind < 55) {
      Bands(live, o)[static_cast<std::size_t>(edits.Int(0, 30))] = edits.Band();
    } else if (kind < 65) {
      Bands(live, o)[static_cast<std::size_t>(edits.Int(0, 30))].enable ^= 1;
    } else if (kind < 72) {
      ch.bypass ^= 1;
    } else if (kind < 78) {
      ch.eqSize = edits.Int(1, 31);
      ResetBands(Bands(live, o), ch.eqSize);
    } else if (kind < 90) {
      edits.Filter(edits.Chance(0.5) ? ch.crossover.hp : ch.crossover.lp);
    } else if (kind < 96) {
      ch.crossover = RoleDefaultCrossover(edits.Int(-1, 25));
    } else {
      // A whole settings set arrives (a scene or file load): every output is recomputed.
      live = mirror->scenes[static_cast<std::size_t>(edits.Int(0, kSceneCount - 1))];
      mirror->ComputeAllChannelResponses();
      continue;
    }
    ASSERT_TRUE(mirror->ComputeChannelResponse(o, ch.bypass != 0));

    scratch->ComputeFromScratch(ch, ch.bypass != 0);
    ComputeChannelCurve(StandardCurveGrid(), ChannelCurveSettingsOf(ch, ch.bypass != 0), total);
    ASSERT_EQ(FirstDifference(mirror->Response(o)->Response(), scratch->Response()), -1)
        << "step " << step << " output " << o << " edit kind " << kind;
    ASSERT_EQ(FirstDifference(mirror->Response(o)->Response(), total), -1) << "step " << step;
  }
  for (int o = 0; o < kOutputCount; ++o) {
    const OutputChannel& ch = mirror->currentProfile.channels[static_cast<std::size_t>(o)];
    scratch->ComputeFromScratch(ch, ch.bypass != 0);
    EXPECT_EQ(FirstDifference(mirror->Response(o)->Response(), scratch->Response()), -1) << o;
  }
}

}  // namespace
}  // namespace qb
