// Crossovers against an independent implementation, scipy.signal, through the data that
// make_crossover_reference.py writes to crossover_reference.txt: Butterworth and
// Linkwitz-Riley responses of the same digital design at 48 kHz, and the analog Bessel
// prototype poles behind the Bessel section tables.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dspmath/channel_curve.h"
#include "dspmath/crossover_design.h"
#include "dspmath/curve_constants.h"
#include "dspmath/curve_grid.h"
#include "dspmath/freq_grid.h"
#include "tests/dspmath/curve_kernel_sets.h"

#ifndef QB_CROSSOVER_REFERENCE_FILE
#error "QB_CROSSOVER_REFERENCE_FILE must name the reference data file"
#endif

namespace qb {
namespace {

constexpr double kToleranceDb = 1e-6;
constexpr double kCompareAboveDb = -80.0;

struct ReferenceCurve {
  int family = 0;
  bool lowPass = false;
  int order = 0;
  double corner = 0.0;
  std::map<std::size_t, double> db;  // grid index -> dB
};

/// One pole (pair) of a delay-normalised Bessel prototype.
struct BesselPole {
  int order = 0;
  std::size_t slot = 0;
  bool secondOrder = false;
  double frequency = 0.0;  ///< W of a pair, R of the real pole
  double damping = 0.0;    ///< D of a pair
};

struct Reference {
  std::map<std::size_t, double> grid;  // grid index -> Hz
  std::vector<ReferenceCurve> curves;
  std::vector<BesselPole> bessel;
  bool ok = false;
};

Reference LoadReference() {
  Reference ref;
  std::ifstream in(QB_CROSSOVER_REFERENCE_FILE);
  if (!in) {
    return ref;
  }
  std::string line;
  ReferenceCurve* open = nullptr;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line);
    std::string head;
    fields >> head;
    if (head == "grid") {
      std::size_t k = 0;
      double hz = 0.0;
      fields >> k >> hz;
      ref.grid[k] = hz;
    } else if (head == "curve") {
      ReferenceCurve curve;
      std::string kind;
      fields >> curve.family >> kind >> curve.order >> curve.corner;
      curve.lowPass = kind == "lowpass";
      ref.curves.push_back(curve);
      open = &ref.curves.back();
    } else if (head == "bessel") {
      BesselPole pole;
      std::string kind;
      fields >> pole.order >> pole.slot >> kind >> pole.frequency >> pole.damping;
      pole.secondOrder = kind == "second";
      ref.bessel.push_back(pole);
    } else if (head == "end") {
      open = nullptr;
    } else if (open != nullptr) {
      double value = 0.0;
      fields >> value;
      open->db[std::stoul(head)] = value;
    }
    if (fields.fail()) {
      return ref;
    }
  }
  ref.ok = !ref.grid.empty() && !ref.curves.empty() && !ref.bessel.empty();
  return ref;
}

const Reference& TheReference() {
  static const Reference ref = LoadReference();
  return ref;
}

std::string DescribeCrossover(const ReferenceCurve& c) {
  std::ostringstream out;
  out << (c.family == kFamilyButterworth ? "Butterworth " : "Linkwitz-Riley ")
      << (c.lowPass ? "low-pass" : "high-pass") << " order " << c.order << " at " << c.corner
      << " Hz";
  return out.str();
}

/// Compares one curve of ours with the reference where both are above -80 dB; also checks
/// that ours does not drop to the floor where the reference is clearly above it.
/// Returns the number of points compared.
int CompareWithReference(const ReferenceCurve& ref, const Curve& ours) {
  int compared = 0;
  for (const auto& [k, expected] : ref.db) {
    if (expected > -70.0) {
      EXPECT_GT(ours[k], kCompareAboveDb) << DescribeCrossover(ref) << " k = " << k;
    }
    if (expected > kCompareAboveDb && ours[k] > kCompareAboveDb) {
      EXPECT_NEAR(ours[k], expected, kToleranceDb) << DescribeCrossover(ref) << " k = " << k;
      ++compared;
    }
  }
  return compared;
}

TEST(CrossoverReference, FileIsReadAndUsesOurGrid) {
  const Reference& ref = TheReference();
  ASSERT_TRUE(ref.ok) << "cannot read " << QB_CROSSOVER_REFERENCE_FILE;
  EXPECT_EQ(ref.curves.size(), 72u);
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  for (const auto& [k, hz] : ref.grid) {
    ASSERT_LT(k, kCurveSize);
    EXPECT_NEAR(grid[k], hz, hz * 1e-12) << "k = " << k;
  }
}

TEST(CrossoverReference, CrossoverCurveMatchesScipy) {
  const Reference& ref = TheReference();
  ASSERT_TRUE(ref.ok);
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  int compared = 0;
  for (const ReferenceCurve& c : ref.curves) {
    Curve ours;
    ASSERT_TRUE(
        CrossoverCurve(c.lowPass ? 1 : 2, CurveSampleRate, c.corner, c.order, c.family, grid, ours));
    compared += CompareWithReference(c, ours);
  }
  // Most of every curve lies above -80 dB; a parse or design fault shows as few points.
  EXPECT_GT(compared, 3000);
}

using CachedCrossover = EachCurveKernelSet;

TEST_P(CachedCrossover, MatchesScipy) {
  const Reference& ref = TheReference();
  ASSERT_TRUE(ref.ok);
  int compared = 0;
  for (const ReferenceCurve& c : ref.curves) {
    Curve ours;
    ComputeCrossoverCurve(StandardCurveGrid(), c.lowPass, CrossoverSetting{c.family, c.order, c.corner},
                          ours);
    compared += CompareWithReference(c, ours);
  }
  EXPECT_GT(compared, 3000);
}

QB_ON_EVERY_CURVE_KERNEL_SET(CachedCrossover);

TEST(CrossoverReference, BesselSectionTablesMatchScipyPrototypePoles) {
  const Reference& ref = TheReference();
  ASSERT_TRUE(ref.ok);
  // The design scales every slot of an order by the same normalisation, so the ratios of slot
  // frequencies and the dampings must be those of the prototype's poles.
  int checked = 0;
  for (int order = 1; order <= 8; ++order) {
    const CrossoverTable table = DesignCrossover(true, 1000.0, order, kFamilyBessel);
    const double w0 = std::acos(table[0].c);
    const BesselPole* first = nullptr;
    for (const BesselPole& pole : ref.bessel) {
      if (pole.order != order) {
        continue;
      }
      if (pole.slot == 0) {
        first = &pole;
      }
      ASSERT_NE(first, nullptr) << "slot 0 must come first, order " << order;
      ASSERT_LT(pole.slot, table.size());
      const CrossoverSlot& slot = table[pole.slot];
      const double w = std::acos(slot.c);
      EXPECT_NEAR(w / w0, pole.frequency / first->frequency, 1e-9)
          << "order " << order << " slot " << pole.slot;
      if (pole.secondOrder) {
        ASSERT_EQ(slot.kind, SlotKind::SecondOrder) << "order " << order << " slot " << pole.slot;
        const double damping = 2.0 * (1.0 - slot.v) / ((1.0 + slot.v) * std::sin(w));
        EXPECT_NEAR(damping, pole.damping, 1e-9) << "order " << order << " slot " << pole.slot;
      } else {
        ASSERT_EQ(slot.kind, SlotKind::FirstOrder) << "order " << order << " slot " << pole.slot;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 20);  // 16 pairs and 4 real poles
}

}  // namespace
}  // namespace qb
