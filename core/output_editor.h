#pragma once
/// Editing one output: which output is current, its volume with the outputs that follow it
/// (synchronize group, linked partner, subwoofer pair), mute, phase, delay, the synchronize
/// group itself and the curves shown. Values in real units; every change is written to the
/// mirror, sent to the box and announced.

#include "core/box_limits.h"
#include "core/edit_context.h"
#include "core/session_state.h"

namespace qb {

/// The up/down step of an output volume: 1 dB.
inline constexpr int kOutputVolumeStepTenths = 10;
/// The delay slider's step in whole microseconds.
inline constexpr int kDelayStepMicros = 21;

/// The volume of `channel` in whole tenths of a dB (what a fader shows).
int VolumeTenths(const OutputChannel& channel);
/// The whole-dB volume shown for `channel`: its volume truncated towards zero, or -60 when
/// it shows as "off".
int ShownVolumeDb(const OutputChannel& channel);
/// The delay of `channel` in whole microseconds.
int DelayMicros(const OutputChannel& channel);

class OutputEditor {
 public:
  explicit OutputEditor(EditContext& context) : m_ctx(context) {}

  /// Makes `output` the output being edited.
  void SelectOutput(int output);

  /// The volume fader: `tenths` of a dB (held to the fader's range). Moving another output's
  /// fader makes it current. The synchronize group moves by the same difference, the linked
  /// partner too, and the other subwoofer of a pair takes the same volume.
  void SetVolumeTenths(int output, int tenths);
  /// A typed volume in whole dB (held to -60..0); the group members keep their distance.
  void SetVolumeDb(int output, int db);
  /// One dB up or down, nothing at the end of the range.
  void StepVolume(int output, bool up);

  void SetMute(int output, bool muted);
  void SetPhase(int output, bool inverted);
  void SetShowCurve(int output, bool shown);
  /// Joins `output` to the synchronize group or takes it out; it becomes current.
  void SetSynchronize(int output, bool member);
  /// Empties the synchronize group and forgets what it remembered (a new view starts so:
  /// the group is neither stored in the box nor in files).
  void ClearSynchronize();

  /// The delay slider: whole microseconds, held to 0..kDelayMaxMicros.
  void SetDelayMicros(int output, int micros);
  /// A typed delay in the session's delay unit. Milliseconds are held to 0..15; distances
  /// to what one command can carry. Returns the value kept, in the same unit.
  double SetDelayTyped(int output, double value);
  /// One slider step up or down, nothing at the end of the slider.
  void StepDelay(int output, bool up);
  void SetDelayUnit(DelayUnit unit);

 private:
  void PutVolume(int output, int tenths);
  void FollowVolumeChange(int output, float deltaDb, bool typed);
  void SaveSyncVolume(int output, bool keep);

  EditContext& m_ctx;
};

}  // namespace qb
