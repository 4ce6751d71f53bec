#include "dspmath/section_response.h"

#include <cmath>
#include <cstddef>
#include <numbers>

namespace qb {
namespace {

struct Complex {
  double re;
  double im;
};

Complex Mul(Complex x, Complex y) {
  return {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
}

/// constant + c[1] z + ... + c[order] z^order (order >= 1) in Horner form, highest power
/// first. The constant is passed apart so a denominator can use 1 in place of its a0.
Complex Polynomial(const double* c, std::size_t order, double constant, Complex z) {
  Complex acc{c[order], 0.0};
  for (std::size_t i = order - 1; i > 0; --i) {
    acc = Mul(acc, z);
    acc.re += c[i];
  }
  acc = Mul(acc, z);
  acc.re += constant;
  return acc;
}

}  // namespace

double PowerToDb(double p) {
  return p > kFloorPower ? 10.0 * std::log10(p) : kFloorDb;
}

bool EvalSectionsDb(std::span<const double> b, std::span<const double> a, int order, int sections,
                    std::span<const double> grid, std::span<double> db) {
  const std::size_t count = grid.size();
  if (count < 2 || db.size() < count || order < 1 || sections < 0) {
    return false;
  }
  const std::size_t stride = static_cast<std::size_t>(order) + 1;
  const std::size_t needed = stride * static_cast<std::size_t>(sections);
  if (b.size() < needed || a.size() < needed) {
    return false;
  }
  const double nyquist = grid[count - 2];
  if (!(nyquist > 0.0)) {
    return false;
  }
  for (std::size_t k = 0; k < count; ++k) {
    const double theta = std::numbers::pi * grid[k] / nyquist;
    const Complex z{std::cos(theta), -std::sin(theta)};
    // Accumulate the product of the section quotients as numerator and denominator apart,
    // so the division happens once per point.
    Complex num{1.0, 0.0};
    Complex den{1.0, 0.0};
    for (std::size_t j = 0; j < needed; j += stride) {
      num = Mul(num, Polynomial(b.data() + j, stride - 1, b[j], z));
      // The leading denominator term counts as 1 whatever a0 holds.
      den = Mul(den, Polynomial(a.data() + j, stride - 1, 1.0, z));
    }
    const double numPower = num.re * num.re + num.im * num.im;
    const double denPower = den.re * den.re + den.im * den.im;
    db[k] = PowerToDb(numPower / denPower);
  }
  return true;
}

}  // namespace qb
