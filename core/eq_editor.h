#pragma once
/// Editing an output's equaliser: a band typed in, moved by its gain slider or dragged on
/// the curve (three variants with their own rules), the band enable switches, the up/down
/// steps, the EQ bypass, the parametric/graphic mode and the EQ reset. The synchronize
/// group and the linked partner follow.

#include <optional>

#include "core/edit_context.h"
#include "core/eq_values.h"

namespace qb {

/// Band gain limits in dB, the range of the band gain sliders.
inline constexpr GainLimits kBandGainLimits{kMinBandGainDb, kMaxBandGainDb};

/// The gain a band shows: its stored gain while it applies (enabled, the EQ not bypassed),
/// 0 otherwise.
float ShownBandGain(const EqBand& band, const OutputChannel& channel);
/// The shown gain as its slider holds it, in whole tenths of a dB.
int ShownBandTenths(const EqBand& band, const OutputChannel& channel);
/// True when some band in use shows a gain: what the bypass button would bypass.
bool EqAudible(const Profile& profile, int output);

enum class BypassOutcome { Bypassed, Restored, Cancelled, Unchanged };

/// What an import does to the editing mode.
enum class ImportEditing {
  Parametric,  ///< bands at frequencies of their own: editing turns parametric
  KeepMode,    ///< bands on the graphic equaliser's fixed frequencies (a graphic fit): it stays
};

class EqEditor {
 public:
  explicit EqEditor(EditContext& context) : m_ctx(context) {}

  /// A band typed into its row: a frequency outside 20..20000 Hz keeps the band's, Q and
  /// gain are held to their ranges.
  void EditBand(int output, int band, int freq, float q, float gainDb);
  /// The band's gain slider, in tenths of a dB.
  void SetBandGainTenths(int output, int band, int tenths);
  /// A band dragged on the curve to these values.
  void DragBand(int output, int band, int freq, float q, float gainDb);
  /// The band's enable switch: off keeps the gain for later, on brings it back.
  void ToggleBandEnable(int output, int band);
  /// The up/down steps of a band: frequency along the 201-point grid, Q by 0.05, gain by
  /// 0.1 dB.
  void StepBandFrequency(int output, int band, bool up);
  void StepBandQ(int output, int band, bool up);
  void StepBandGain(int output, int band, bool up);

  /// Bypasses an audible equaliser or restores one that keeps gains, after `confirm`.
  BypassOutcome ToggleBypass(int output, const Confirm& confirm);
  /// Switches between parametric and graphic editing after `confirm`; true when switched.
  bool ToggleEqMode(const Confirm& confirm);
  /// Resets the bands after `confirm`; true when reset.
  bool ResetEq(int output, const Confirm& confirm);
  /// Imported filters become the first bands of `output`, in order, and the bands after
  /// them go flat; editing turns parametric (the bands keep their own frequencies) unless
  /// `editing` keeps the mode, the equaliser takes `bypassed` when the text states it and is
  /// otherwise bypassed only when the result is flat, and the synchronize group and the
  /// linked partner take the same bands and bypass. Values are stored as given: the caller
  /// keeps them to the box's ranges (PlanEqImport, FitEqualizer). False, changing nothing,
  /// without bands.
  bool ImportBands(int output, std::span<const EqBand> bands, std::optional<bool> bypassed,
                   ImportEditing editing = ImportEditing::Parametric);

 private:
  enum class BandInput { Edit, Slider, Drag };
  /// The band commit shared by the three variants.
  void CommitBand(int output, int band, int freq, float q, float gain, BandInput input);
  /// Editing a bypassed output starts it from flat: the gains kept behind the bypass go.
  void ConsumeBypass(int output);
  /// The group and the partner take `output`'s bypass.
  void AlignBypass(int output);

  EditContext& m_ctx;
};

}  // namespace qb
