#include "dspmath/peaking_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "dspmath/band_refiner.h"
#include "dspmath/band_set.h"
#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"

namespace qb {
namespace {

/// Segments of the remaining error tried for each new band.
constexpr std::size_t kCandidateSegments = 2;
/// Iterations of one new band refined alone, of all bands after each new one, and of the
/// final joint refinement.
constexpr int kNewBandIterations = 12;
constexpr int kJointIterationsPerBand = 1;
constexpr int kFinalIterations = 10;
/// Sweeps of the step-by-step refinement at most; each one that changes nothing ends it.
constexpr int kMaxStepSweeps = 20;
/// A change smaller than this share of the cost counts as none.
constexpr double kNoGain = 1e-10;
/// Rounding allowed above the boost limit.
constexpr double kBoostSlack = 1e-9;
/// Points per octave at which the bands' sum is checked against the boost limit at the end,
/// besides the fit's points and the bands' centres.
constexpr double kCheckPointsPerOctave = 48.0;

/// `count` steps of `step`, as the decimal value itself where the step is a whole fraction
/// (0.1 x 3 would give 0.30000000000000004, 3 / 10.0 gives 0.3).
double StepValue(int count, double step) {
  const double perUnit = std::round(1.0 / step);
  if (perUnit >= 1.0 && std::fabs(perUnit * step - 1.0) < 1e-12) return count / perUnit;
  return count * step;
}

double Highest(std::span<const double> values) {
  double top = -1e300;
  for (double v : values) top = std::max(top, v);
  return top;
}

std::vector<double> EqualiserCurve(const PointGrid& points, std::span<const PeakingBand> bands) {
  std::vector<double> sum(points.Size(), 0.0);
  for (const PeakingBand& b : bands)
    if (b.gainDb != 0.0) points.AddSectionDb(DesignPeakingEq(CurveSampleRate, b.freqHz, b.gainDb, b.q), sum);
  return sum;
}

/// Lowers boosting bands a step at a time until their sum stays within `maxBoostDb` on a
/// dense check of the range, the fit's points and the bands' centres: the fit itself only
/// sees its points, and rounding to the steps may lift the sum a hair.
void HoldBoost(std::vector<PeakingBand>& bands, const PointGrid& points, const PeakingFitLimits& limits,
               double gainStep, double maxBoostDb) {
  std::vector<double> freq(points.Frequencies().begin(), points.Frequencies().end());
  for (const PeakingBand& b : bands) freq.push_back(b.freqHz);
  if (limits.minHz > 0.0 && limits.maxHz > limits.minHz) {
    const double ratio = std::exp2(1.0 / kCheckPointsPerOctave);
    for (double f = limits.minHz; f <= limits.maxHz; f *= ratio) freq.push_back(f);
  }
  const PointGrid check(freq);
  std::vector<std::vector<double>> curves(bands.size(), std::vector<double>(check.Size(), 0.0));
  for (std::size_t b = 0; b < bands.size(); ++b)
    check.SectionDb(DesignPeakingEq(CurveSampleRate, bands[b].freqHz, bands[b].gainDb, bands[b].q), curves[b]);
  while (true) {
    std::vector<double> sum(check.Size(), 0.0);
    for (const auto& c : curves)
      for (std::size_t k = 0; k < sum.size(); ++k) sum[k] += c[k];
    const auto top = static_cast<std::size_t>(std::max_element(sum.begin(), sum.end()) - sum.begin());
    if (sum.empty() || sum[top] <= maxBoostDb + kBoostSlack) return;
    std::size_t lifter = 0;
    for (std::size_t b = 1; b < bands.size(); ++b)
      if (curves[b][top] > curves[lifter][top]) lifter = b;
    if (!(bands[lifter].gainDb > 0.0)) return;  // nothing lifts there: cannot happen with peaking bands
    const long count = std::lround(bands[lifter].gainDb / gainStep);
    bands[lifter].gainDb = StepValue(static_cast<int>(std::max(count - 1, 0L)), gainStep);
    check.SectionDb(DesignPeakingEq(CurveSampleRate, bands[lifter].freqHz, bands[lifter].gainDb, bands[lifter].q),
                    curves[lifter]);
  }
}

/// One band on the steps: whole hertz, and Q and gain as counts of their steps.
struct SteppedBand {
  int hz = 0;
  int q = 0;
  int gain = 0;
};

/// The whole steps inside [lo, hi] of a value counted in `step`s; an interval holding none
/// collapses to the step nearest its middle.
struct StepRange {
  int lo = 0;
  int hi = 0;
  int Clamp(int v) const { return std::clamp(v, lo, hi); }
};

StepRange StepsWithin(double lo, double hi, double step) {
  constexpr double kSlack = 1e-9;  // a limit that is itself a step stays allowed
  StepRange r{static_cast<int>(std::ceil(lo / step - kSlack)), static_cast<int>(std::floor(hi / step + kSlack))};
  if (r.lo > r.hi) r.lo = r.hi = static_cast<int>(std::lround((lo + hi) / 2.0 / step));
  return r;
}

struct StepLimits {
  StepRange hz;
  StepRange q;
  StepRange gain;
  double qStep = 0.1;
  double gainStep = 0.1;
};

StepLimits StepLimitsOf(const PeakingFitLimits& limits) {
  StepLimits s;
  s.qStep = limits.qStep > 0.0 ? limits.qStep : 0.1;
  s.gainStep = limits.gainStepDb > 0.0 ? limits.gainStepDb : 0.1;
  s.hz = StepsWithin(limits.minHz, limits.maxHz, 1.0);
  s.hz.lo = std::max(s.hz.lo, 1);
  s.hz.hi = std::max(s.hz.hi, s.hz.lo);
  s.q = StepsWithin(limits.minQ, limits.maxQ, s.qStep);
  s.q.lo = std::max(s.q.lo, 1);
  s.q.hi = std::max(s.q.hi, s.q.lo);
  s.gain = StepsWithin(limits.minGainDb, limits.maxGainDb, s.gainStep);
  return s;
}

BandParams ParamsOf(const SteppedBand& b, const StepLimits& s) {
  return {std::log(static_cast<double>(b.hz)), std::log(b.q * s.qStep), b.gain * s.gainStep};
}

SteppedBand Snap(const BandParams& p, const StepLimits& s) {
  return {s.hz.Clamp(static_cast<int>(std::lround(std::exp(p[kLogFreq])))),
          s.q.Clamp(static_cast<int>(std::lround(std::exp(p[kLogQ]) / s.qStep))),
          s.gain.Clamp(static_cast<int>(std::lround(p[kGain] / s.gainStep)))};
}

PeakingBand BandOf(const SteppedBand& b, const StepLimits& s) {
  return {static_cast<double>(b.hz), StepValue(b.q, s.qStep), StepValue(b.gain, s.gainStep)};
}

/// Continuous bounds that lie on the steps, so the snapped values of an optimum at a bound
/// stay there.
ParamBounds BoundsOf(const StepLimits& s) {
  ParamBounds b;
  b.lo = {std::log(static_cast<double>(s.hz.lo)), std::log(s.q.lo * s.qStep), s.gain.lo * s.gainStep};
  b.hi = {std::log(static_cast<double>(s.hz.hi)), std::log(s.q.hi * s.qStep), s.gain.hi * s.gainStep};
  return b;
}

/// A run of points where the centred error keeps its sign.
struct Segment {
  std::size_t first = 0;
  std::size_t last = 0;
  double energy = 0.0;  ///< sum of squared error: what a band that cancels it would save
};

std::vector<Segment> LargestSegments(std::span<const double> error, std::size_t count) {
  std::vector<Segment> segments;
  for (std::size_t k = 0; k < error.size(); ++k) {
    const bool positive = error[k] >= 0.0;
    if (segments.empty() || (error[segments.back().first] >= 0.0) != positive) segments.push_back({k, k, 0.0});
    segments.back().last = k;
    segments.back().energy += error[k] * error[k];
  }
  // Ties keep frequency order, so the choice never depends on the sort's internals.
  std::stable_sort(segments.begin(), segments.end(),
                   [](const Segment& a, const Segment& b) { return a.energy > b.energy; });
  if (segments.size() > count) segments.resize(count);
  return segments;
}

/// A first guess for a band that cancels the error of `segment`: centred on its largest
/// value, as high, and half as wide as the segment.
BandParams GuessFor(const Segment& segment, std::span<const double> error, const PointGrid& points,
                    const ParamBounds& bounds) {
  std::size_t peak = segment.first;
  for (std::size_t k = segment.first; k <= segment.last; ++k)
    if (std::fabs(error[k]) > std::fabs(error[peak])) peak = k;
  const auto freq = points.Frequencies();
  const double lowEdge = segment.first > 0 ? std::sqrt(freq[segment.first - 1] * freq[segment.first]) : freq[segment.first];
  const double highEdge =
      segment.last + 1 < freq.size() ? std::sqrt(freq[segment.last] * freq[segment.last + 1]) : freq[segment.last];
  const double octaves = std::max(0.5 * std::log2(highEdge / lowEdge), 0.05);
  const double ratio = std::exp2(octaves);
  const double q = std::sqrt(ratio) / (ratio - 1.0);
  BandParams p{std::log(freq[peak]), std::log(q), -error[peak]};
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::clamp(p[i], bounds.lo[i], bounds.hi[i]);
  return p;
}

/// Tries a new band at each of the largest error segments, refined alone, and keeps the one
/// that lowers the cost most. False when none lowers it.
bool AddBestBand(BandSet& set, const ParamBounds& bounds) {
  const std::vector<double> error = set.CentredResidual();
  const double before = set.Cost();
  double best = before;
  BandParams bestParams{};
  for (const Segment& segment : LargestSegments(error, kCandidateSegments)) {
    set.Add(GuessFor(segment, error, set.Points(), bounds));
    const std::size_t band = set.Count() - 1;
    const std::array<Unknown, 3> unknowns{{{band, kLogFreq}, {band, kLogQ}, {band, kGain}}};
    RefineBands(set, unknowns, bounds, kNewBandIterations);
    if (set.Cost() < best) {
      best = set.Cost();
      bestParams = set.Params(band);
    }
    set.RemoveLast();
  }
  if (!(best < before * (1.0 - kNoGain))) return false;
  set.Add(bestParams);
  return true;
}

std::vector<Unknown> AllParams(const BandSet& set) {
  std::vector<Unknown> unknowns;
  for (std::size_t b = 0; b < set.Count(); ++b)
    for (int p = 0; p < kParamsPerBand; ++p) unknowns.push_back({b, p});
  return unknowns;
}

/// The parameters of band `b` moved to `stepped`: all three, or the gain alone for bands
/// whose frequency and Q are fixed (and need not lie on the steps).
BandParams MovedTo(const BandSet& set, std::size_t b, const SteppedBand& stepped, const StepLimits& s, bool gainsOnly) {
  if (!gainsOnly) return ParamsOf(stepped, s);
  BandParams p = set.Params(b);
  p[kGain] = stepped.gain * s.gainStep;
  return p;
}

/// Moves one band at a time by single steps while that lowers the cost: the continuous
/// optimum rounded to the steps is near, but rarely at, the best point on them. Bands whose
/// `movable` entry is false stay.
void RefineOnSteps(BandSet& set, std::vector<SteppedBand>& bands, const StepLimits& s, bool gainsOnly,
                   const std::vector<bool>& movable) {
  std::vector<double> curve(set.Points().Size());
  for (int sweep = 0; sweep < kMaxStepSweeps; ++sweep) {
    bool moved = false;
    for (std::size_t b = 0; b < bands.size(); ++b) {
      if (!movable[b]) continue;
      const SteppedBand at = bands[b];
      // A step of gain or Q either way; the frequency by 1 Hz and by about 0.4 %, which is
      // many steps high up but still a fine move there.
      const int wide = std::max(2, static_cast<int>(std::lround(at.hz * 0.004)));
      const std::array<SteppedBand, 8> all{{{at.hz, at.q, at.gain + 1},
                                            {at.hz, at.q, at.gain - 1},
                                            {at.hz, at.q + 1, at.gain},
                                            {at.hz, at.q - 1, at.gain},
                                            {at.hz + 1, at.q, at.gain},
                                            {at.hz - 1, at.q, at.gain},
                                            {at.hz + wide, at.q, at.gain},
                                            {at.hz - wide, at.q, at.gain}}};
      const std::span<const SteppedBand> moves = std::span(all).first(gainsOnly ? 2 : all.size());
      double best = set.Cost();
      const double floor = best * (1.0 - kNoGain);
      const bool withinLimit = Highest(set.Sum()) <= set.MaxBoostDb() + kBoostSlack;
      SteppedBand chosen = at;
      for (SteppedBand move : moves) {
        move = {gainsOnly ? move.hz : s.hz.Clamp(move.hz), gainsOnly ? move.q : s.q.Clamp(move.q), s.gain.Clamp(move.gain)};
        if (move.hz == at.hz && move.q == at.q && move.gain == at.gain) continue;
        set.CurveOf(MovedTo(set, b, move, s, gainsOnly), curve);
        double highest = 0.0;
        const double cost = set.CostWith(b, curve, &highest);
        if (withinLimit && highest > set.MaxBoostDb() + kBoostSlack) continue;
        if (cost < best && cost < floor) {
          best = cost;
          chosen = move;
        }
      }
      if (chosen.hz != at.hz || chosen.q != at.q || chosen.gain != at.gain) {
        set.Set(b, MovedTo(set, b, chosen, s, gainsOnly));
        bands[b] = chosen;
        moved = true;
      }
    }
    if (!moved) break;
  }
}

std::vector<SteppedBand> SnapAll(BandSet& set, const StepLimits& s) {
  std::vector<SteppedBand> bands;
  for (std::size_t b = 0; b < set.Count(); ++b) {
    bands.push_back(Snap(set.Params(b), s));
    set.Set(b, ParamsOf(bands.back(), s));
  }
  return bands;
}

}  // namespace

std::vector<PeakingBand> FitPeakingBands(const PointGrid& points, std::span<const double> wantedDb, int count,
                                         const PeakingFitLimits& limits) {
  const StepLimits steps = StepLimitsOf(limits);
  const ParamBounds bounds = BoundsOf(steps);
  const auto wanted = static_cast<std::size_t>(std::max(count, 1));
  BandSet set(points, wantedDb, bounds.hi[kGain]);
  if (points.Size() >= 2) {
    while (set.Count() < wanted && AddBestBand(set, bounds)) {
      const std::size_t n = set.Count();
      if (n > 1) RefineBands(set, AllParams(set), bounds, kJointIterationsPerBand);
    }
    RefineBands(set, AllParams(set), bounds, kFinalIterations);
  }
  std::vector<SteppedBand> stepped = SnapAll(set, steps);
  RefineOnSteps(set, stepped, steps, false, std::vector<bool>(stepped.size(), true));
  // Bands the error had no use for stay flat, in the middle of the allowed range.
  const SteppedBand flat{steps.hz.Clamp(static_cast<int>(std::lround(std::sqrt(1.0 * steps.hz.lo * steps.hz.hi)))),
                         steps.q.Clamp(static_cast<int>(std::lround(1.0 / steps.qStep))), steps.gain.Clamp(0)};
  stepped.resize(wanted, flat);
  std::vector<PeakingBand> out;
  for (const SteppedBand& b : stepped) out.push_back(BandOf(b, steps));
  HoldBoost(out, points, limits, steps.gainStep, steps.gain.hi * steps.gainStep);
  std::stable_sort(out.begin(), out.end(), [](const PeakingBand& a, const PeakingBand& b) {
    if (a.freqHz != b.freqHz) return a.freqHz < b.freqHz;
    if (a.q != b.q) return a.q < b.q;
    return a.gainDb < b.gainDb;
  });
  return out;
}

std::vector<PeakingBand> FitBandGains(const PointGrid& points, std::span<const double> wantedDb,
                                      std::span<const PeakingBand> bands, const std::vector<bool>& adjustable,
                                      const PeakingFitLimits& limits) {
  StepLimits steps = StepLimitsOf(limits);
  BandSet set(points, wantedDb, steps.gain.hi * steps.gainStep);
  std::vector<Unknown> unknowns;
  for (std::size_t b = 0; b < bands.size(); ++b) {
    set.Add({std::log(bands[b].freqHz), std::log(bands[b].q), 0.0});
    if (b < adjustable.size() && adjustable[b]) unknowns.push_back({b, kGain});
  }
  ParamBounds bounds = BoundsOf(steps);
  // Frequency and Q are not unknowns here; their bounds only must not move them.
  bounds.lo[kLogFreq] = bounds.lo[kLogQ] = -1e9;
  bounds.hi[kLogFreq] = bounds.hi[kLogQ] = 1e9;
  if (points.Size() >= 2 && !unknowns.empty()) RefineBands(set, unknowns, bounds, kFinalIterations);

  std::vector<SteppedBand> stepped;
  std::vector<bool> canMove(bands.size(), false);
  for (std::size_t b = 0; b < bands.size(); ++b) {
    canMove[b] = b < adjustable.size() && adjustable[b];
    const int gain = canMove[b] ? steps.gain.Clamp(static_cast<int>(std::lround(set.Params(b)[kGain] / steps.gainStep))) : 0;
    stepped.push_back({0, 0, gain});
    BandParams p = set.Params(b);
    p[kGain] = gain * steps.gainStep;
    set.Set(b, p);
  }
  RefineOnSteps(set, stepped, steps, true, canMove);
  std::vector<PeakingBand> out(bands.begin(), bands.end());
  for (std::size_t b = 0; b < out.size(); ++b) out[b].gainDb = StepValue(stepped[b].gain, steps.gainStep);
  HoldBoost(out, points, limits, steps.gainStep, steps.gain.hi * steps.gainStep);
  return out;
}

double FitDeviationDb(const PointGrid& points, std::span<const double> wantedDb, std::span<const PeakingBand> bands) {
  const std::size_t n = points.Size();
  if (n == 0 || wantedDb.size() < n) return 0.0;
  const std::vector<double> eq = EqualiserCurve(points, bands);
  double mean = 0.0;
  for (std::size_t k = 0; k < n; ++k) mean += eq[k] - wantedDb[k];
  mean /= static_cast<double>(n);
  double squares = 0.0;
  for (std::size_t k = 0; k < n; ++k) squares += (eq[k] - wantedDb[k] - mean) * (eq[k] - wantedDb[k] - mean);
  return std::sqrt(squares / static_cast<double>(n));
}

}  // namespace qb
