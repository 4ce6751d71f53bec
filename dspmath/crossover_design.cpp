#include "dspmath/crossover_design.h"

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#include "dspmath/curve_constants.h"

namespace qb {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// 0.0025 Hz and 22000 Hz at 48 kHz, as fractions of the sample rate.
constexpr double kMinW = kTwoPi * 5.208333333333333e-8;
constexpr double kMaxW = kTwoPi * 0.4583333333333333;

// The box's tables, held to the digits it uses. Recomputing them from the family formulas
// would move the drawn curves away from what the box does by the last digits.

// Linkwitz-Riley damping by order / 2 (index 0 unused).
constexpr double kLinkwitzRileyDamping[5][4] = {
    {0.0, 0.0, 0.0, 0.0},
    {2.0, 0.0, 0.0, 0.0},
    {1.4142135624, 1.4142135624, 0.0, 0.0},
    {2.0, 1.0, 1.0, 0.0},
    {1.847759065, 0.7653668647, 1.847759065, 0.7653668647},
};

// Bessel frequency normalisation by order (index 0 unused).
constexpr double kBesselNorm[9] = {0.0,          1.0,          0.5773502692,
                                   0.4030076571, 0.3086066999, 0.2496411504,
                                   0.2093977333, 0.1802208568, 0.1581178777};

// Bessel first-order factor by slot index.
constexpr double kBesselFirstOrder[4] = {1.0, 2.3221853546, 3.6467385953, 4.9717868586};

// Bessel second-order damping by order and slot (rows 0 and 1 unused).
constexpr double kBesselDamping[9][4] = {
    {0.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, 0.0, 0.0},
    {1.7320508076, 0.0, 0.0, 0.0},
    {1.4470803599, 0.0, 0.0, 0.0},
    {1.9159489237, 1.2414059301, 0.0, 0.0},
    {1.7745107195, 1.0911344114, 0.0, 0.0},
    {1.9595631418, 1.6361402521, 0.9772172032, 0.0},
    {1.8784433114, 1.5132682086, 0.8878963849, 0.0},
    {1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765},
};

// Bessel second-order frequency factor by order and slot (rows 0 and 1 unused).
constexpr double kBesselFrequency[9][4] = {
    {0.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, 0.0, 0.0},
    {1.7320508076, 0.0, 0.0, 0.0},
    {2.5415414011, 0.0, 0.0, 0.0},
    {3.0232649388, 3.3893657927, 0.0, 0.0},
    {3.7778936609, 4.2610228013, 0.0, 0.0},
    {4.3360270513, 4.5664891522, 5.1491771521, 0.0},
    {5.0662061498, 5.3792700335, 6.0495276805, 0.0},
    {5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508},
};

/// fmax/fmin rather than std::clamp so that NaN lands on the low limit instead of passing.
double ClampW(double w) {
  return std::fmin(std::fmax(w, kMinW), kMaxW);
}

int EffectiveOrder(int order, int family) {
  if (family == kFamilyLinkwitzRiley && order % 2 != 0) {
    ++order;
  }
  if (order < kMinCrossoverOrder) {
    return kMinCrossoverOrder;
  }
  return order > kMaxCrossoverOrder ? kMaxCrossoverOrder : order;
}

/// Moves a Bessel frequency by a table factor: up for a low-pass, down for a high-pass,
/// because the high-pass is the low-pass with s replaced by 1/s.
double BesselScale(double w, double factor, bool lowPass) {
  return lowPass ? w * factor : w / factor;
}

CrossoverSlot FirstOrderSlot(double w) {
  const double c = std::cos(w);
  const double s = std::sin(w);
  return {(c + s - 1.0) / (c - s - 1.0), c, SlotKind::FirstOrder};
}

CrossoverSlot SecondOrderSlot(double w, double damping) {
  const double ds = damping * std::sin(w);
  return {(2.0 - ds) / (2.0 + ds), std::cos(w), SlotKind::SecondOrder};
}

double ButterworthDamping(int order, int slot) {
  const int k = 2 * (order / 2 - 1 - slot) + 1;
  return 2.0 * std::sin(static_cast<double>(k) * std::numbers::pi / (2.0 * order));
}

}  // namespace

CrossoverTable DesignCrossover(bool lowPass, double corner, int order, int family) {
  if (family != kFamilyLinkwitzRiley && family != kFamilyBessel) {
    family = kFamilyButterworth;
  }
  const int n = EffectiveOrder(order, family);
  const auto ni = static_cast<std::size_t>(n);
  const double w = ClampW(kTwoPi * corner / CurveSampleRate);
  const double wBessel = BesselScale(w, kBesselNorm[ni], lowPass);

  CrossoverTable table;
  int remaining = n;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (remaining == 0) {
      table[i] = {0.0, std::cos(w), SlotKind::Empty};
    } else if (remaining == 1) {
      const double wi = family == kFamilyBessel
                            ? ClampW(BesselScale(wBessel, kBesselFirstOrder[i], lowPass))
                            : w;
      table[i] = FirstOrderSlot(wi);
      remaining -= 1;
    } else {
      double damping = 0.0;
      double wi = w;
      if (family == kFamilyButterworth) {
        damping = ButterworthDamping(n, static_cast<int>(i));
      } else if (family == kFamilyLinkwitzRiley) {
        damping = kLinkwitzRileyDamping[ni / 2][i];
      } else {
        damping = kBesselDamping[ni][i];
        wi = ClampW(BesselScale(wBessel, kBesselFrequency[ni][i], lowPass));
      }
      table[i] = SecondOrderSlot(wi, damping);
      remaining -= 2;
    }
  }
  return table;
}

SectionCoeffs CrossoverSectionCoeffs(const CrossoverSlot& slot, bool lowPass) {
  const double v = slot.v;
  const double cs = slot.c;
  SectionCoeffs out;
  if (slot.kind == SlotKind::SecondOrder) {
    out.a = {1.0, -(1.0 + v) * cs, v};
    if (lowPass) {
      const double e = (1.0 + v) * (1.0 - cs) / 4.0;
      out.b = {e, 2.0 * e, e};
    } else {
      const double e = (1.0 + v) * (1.0 + cs) / 4.0;
      out.b = {e, -2.0 * e, e};
    }
  } else if (slot.kind == SlotKind::FirstOrder) {
    out.a = {1.0, v, 0.0};
    if (lowPass) {
      const double e = (1.0 + v) / 2.0;
      out.b = {e, e, 0.0};
    } else {
      const double e = (1.0 - v) / 2.0;
      out.b = {e, -e, 0.0};
    }
  }
  return out;
}

bool CrossoverCurve(int which, double /*sampleRate*/, double corner, int order, int family,
                    std::span<const double> grid, std::span<double> db) {
  const std::size_t count = grid.size();
  if (count < 2 || db.size() < count || !(grid[count - 2] > 0.0)) {
    return false;
  }
  const bool lowPass = which == 1;
  const CrossoverTable table = DesignCrossover(lowPass, corner, order, family);
  std::vector<double> section(count);
  for (std::size_t k = 0; k < count; ++k) {
    db[k] = 0.0;
  }
  for (const CrossoverSlot& slot : table) {
    if (slot.kind == SlotKind::Empty) {
      continue;
    }
    const SectionCoeffs coeffs = CrossoverSectionCoeffs(slot, lowPass);
    EvalSectionsDb(coeffs.b, coeffs.a, 2, 1, grid, section);
    for (std::size_t k = 0; k < count; ++k) {
      db[k] += section[k];
    }
  }
  return true;
}

}  // namespace qb
