#pragma once
/// The per-output display curves: the frequency axis and the total response in dB that the
/// curve control draws for an output, derived from the output's settings.
///
/// Each output's curves sit in a ChannelResponse that keeps a ChannelCurveCache, so after a
/// change of one band only that band's section is evaluated again and the total re-summed;
/// the result is bit for bit the same as a computation from scratch. The curves are kept
/// apart from the Profile on purpose: a Profile stays a small value that copies cheaply and
/// exactly, while the curves (and their cache of section curves) belong to the one owner
/// that draws them and live as long as it does.

#include <array>
#include <cstdint>
#include <memory>

#include "core/profile.h"
#include "dspmath/channel_curve.h"
#include "dspmath/channel_curve_cache.h"
#include "dspmath/curve_constants.h"

namespace qb {

/// What the curve math is given for `channel`: its bands up to `eqSize`, each flat when
/// `bypassed` or when not enabled, and its two filters. A filter is drawn only while its
/// `bypass` is 0 and its slope is above 0: slope 0 means "filter off" even where a file
/// stored bypass 0 beside it, and a filter marked bypassed is flat whatever its slope.
ChannelCurveSettings ChannelCurveSettingsOf(const OutputChannel& channel, bool bypassed);

/// The two display curves of one output. Large (it holds a curve per band): keep it on the
/// heap or inside an owner that is.
class ChannelResponse {
 public:
  /// Frequency axis of the standard grid, response flat 0 dB.
  ChannelResponse();

  /// Brings the response in line with `channel` (see ChannelCurveSettingsOf), evaluating
  /// only the sections whose settings changed since the last call.
  void Compute(const OutputChannel& channel, bool bypassed);
  /// The same result from scratch: every section in use evaluated anew.
  void ComputeFromScratch(const OutputChannel& channel, bool bypassed);

  /// MakeLogFreqGrid(CurveSampleRate, CurvePoints), in Hz.
  const Curve& Frequencies() const { return m_frequencies; }
  /// Total response in dB at each frequency of the axis.
  const Curve& Response() const { return m_response; }
  /// Band and filter curves evaluated so far; shows what an edit cost.
  std::uint64_t SectionsEvaluated() const { return m_cache.CurvesEvaluated(); }

 private:
  ChannelCurveCache m_cache;
  Curve m_frequencies{};
  Curve m_response{};
};

/// The display curves of all eight outputs of one profile, allocated once.
class ChannelResponses {
 public:
  ChannelResponses();

  /// Curves of `output`; nullptr for an output outside 0..7.
  const ChannelResponse* At(int output) const;
  ChannelResponse* At(int output);

 private:
  std::unique_ptr<std::array<ChannelResponse, kOutputSlots>> m_outputs;
};

/// Fills the display curves of `output` from `profile`, `bypassed` standing for the output's
/// equaliser bypass flag. Every curve has CurvePoints points at CurveSampleRate.
/// Returns false, touching nothing, for an output outside 0..7.
bool ComputeChannelResponse(const Profile& profile, int output, bool bypassed,
                            ChannelResponses& curves);

}  // namespace qb
