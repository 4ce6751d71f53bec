#pragma once
/// Per-output cache of section curves for live editing: while the user drags a band the
/// total is rebuilt from the stored curves and only the changed section is evaluated again.
///
/// Every setter only records the new values; Total() evaluates the sections whose curves are
/// missing or stale and adds everything up again in the order ComputeChannelCurve uses, so a
/// cache and a from-scratch computation of the same settings agree bit for bit.
/// Not thread-safe: one owner (the UI thread) uses it.

#include <array>
#include <cstdint>

#include "dspmath/channel_curve.h"
#include "dspmath/curve_constants.h"
#include "dspmath/curve_grid.h"

namespace qb {

class ChannelCurveCache {
 public:
  /// A channel with kMaxEqBands default bands (0 dB, so flat) and both filters off: 0 dB.
  ChannelCurveCache();
  explicit ChannelCurveCache(const ChannelCurveSettings& settings);

  /// Records band `index` (0 .. kMaxEqBands-1). Returns false, changing nothing, for an
  /// index out of range. Values equal to the stored ones cost nothing; a change of enabled
  /// alone, or a return to the values the stored curve was made for, reuses that curve.
  bool SetBand(int index, double freqHz, double q, double gainDb, bool enabled);
  /// Number of bands that belong to the channel, clamped to 0 .. kMaxEqBands.
  void SetBandCount(int count);
  /// Equaliser bypass: every band shown flat. Reuses the stored curves when switched back.
  void SetEqBypassed(bool bypassed);
  /// Records a crossover filter; slope 0 or below switches it off. Switching it back on with
  /// the values its stored curve was made for reuses that curve.
  void SetHighPass(int family, int slope, double cornerHz);
  void SetLowPass(int family, int slope, double cornerHz);
  /// Records every setting at once; only what differs from the stored settings is evaluated.
  void SetAll(const ChannelCurveSettings& settings);

  /// Full path: forgets every stored curve, evaluates every section in use from its settings
  /// and adds them up again. Gives the same bits as the incremental path.
  void RecomputeAll();

  /// The total curve in dB for the current settings, brought up to date first.
  const Curve& Total();
  /// The grid frequencies in Hz that the curve belongs to.
  const Curve& Frequencies() const { return m_grid->Frequencies(); }
  const ChannelCurveSettings& Settings() const { return m_settings; }
  /// Number of band curves and crossover filter curves evaluated so far; lets a caller see
  /// what an edit cost.
  std::uint64_t CurvesEvaluated() const { return m_curvesEvaluated; }

 private:
  /// A stored curve and the settings it was evaluated for.
  template <typename Setting>
  struct Stored {
    Curve curve{};
    Setting madeFor{};
    bool valid = false;
  };

  void SetCrossover(bool lowPass, int family, int slope, double cornerHz);
  void RefreshSections();
  void Resum();

  const CurveGrid* m_grid;
  ChannelCurveSettings m_settings;
  std::array<Stored<EqBandSetting>, kMaxEqBands> m_bands{};
  Stored<CrossoverSetting> m_highPass{};
  Stored<CrossoverSetting> m_lowPass{};
  Curve m_total{};
  bool m_totalValid = false;
  std::uint64_t m_curvesEvaluated = 0;
};

}  // namespace qb
