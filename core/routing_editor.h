#pragma once
/// Speaker roles of the outputs and what each output plays: a role change with its default
/// crossover and the subwoofer pair's shared volume, the input source, the per-output input
/// masks and the mix levels.

#include "core/box_limits.h"
#include "core/edit_context.h"

namespace qb {

class OutputEditor;

class RoutingEditor {
 public:
  RoutingEditor(EditContext& context, OutputEditor& outputs) : m_ctx(context), m_outputs(outputs) {}

  /// Gives `output` the role `role` (0..24) with the role's default crossover; the output
  /// becomes current. A subwoofer joining a pair takes the pair's volume.
  void SetRole(int output, int role);
  /// Makes the outputs that hold `role` (1..24) current, the last of them staying so.
  void FocusRole(int role);
  /// Selects input source `source` (0..8). Connected, the box switches at once and its
  /// main volume is read back for a while (it changes with the source).
  void SetSource(int source);
  /// Switches input `input` (1..6) of the current source on or off for `output`. An input
  /// switched on at level 0 would stay silent: it starts at full level.
  void SetInput(int output, int input, bool on);
  /// The mix level (0..100) of input `input` (1..6) of `source` on `output`.
  void SetMixLevel(int source, int input, int output, int level);

  /// The mixer's cells, where a routed input and its level read as one value: a cell that
  /// plays nothing shows 0. Switching input `input` (1..6) of `source` on for `output` routes
  /// it as SetInput does (a silent level starts full); switching it off also drops its
  /// level to 0.
  void SetMixInput(int source, int input, int output, bool on);
  /// The mixer's trim of a cell: the level (held to 0..100) is stored and sent, and the
  /// routing follows it: a level above 0 routes the input, 0 stops routing it.
  void SetMixTrim(int source, int input, int output, int level);

 private:
  /// Sets or clears input `input`'s bit in the mask of `source` on `output` and sends the
  /// mask: the box routes by the mask alone, whatever the levels say.
  void PutInput(int source, int output, int input, bool on);
  /// True when input `input` (1..6) of `source` on `output` is one the box can take.
  static bool IsMixCell(int source, int input, int output);
  /// `output`, which just took a subwoofer role, and every output holding `partnerRole`
  /// take the volume of the first other output holding `partnerRole`; nothing without one.
  void ShareSubwooferVolume(int output, int partnerRole);

  EditContext& m_ctx;
  OutputEditor& m_outputs;
};

}  // namespace qb
