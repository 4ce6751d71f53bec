#pragma once
/// The box's settings as records, as the mirror holds them: the state `status` and `get`
/// show, one output, a crossover, an equaliser band, a scene's name. Shared by the command
/// families that report them (a scene load shows the state, a set shows the value it left).
/// Floats are given as the box resolves them, not as 5.80000019.

#include "core/equalizer_mirror.h"
#include "tools/cli/record.h"

namespace qb::cli {

/// `value` rounded to `decimals`, never -0.
double Rounded(double value, int decimals);

/// The box's state: connection, model, firmware, source, main volume and mute, amplifier,
/// link, lock and the outputs; `whole` adds per output the crossover and equaliser and the
/// linked partner, the routing of every source and the scenes.
Record StateRecord(const EqualizerMirror& mirror, bool whole);

/// Output `output` (0-based) as numbered from 1.
Field& AddOutputNumber(Record& record, int output);
void AddRole(Record& record, int role);
Value VolumeDb(const OutputChannel& channel);
Value DelayMs(const OutputChannel& channel);
Value Phase(const OutputChannel& channel);
/// The high-pass and low-pass filters of `channel`.
Value CrossoverRecord(const OutputChannel& channel);
/// Band `index` (0-based) as numbered from 1: frequency, Q, gain, whether it is on.
Value BandRecord(const EqBand& band, int index);

/// The name of scene `scene` (1..10) in UTF-8, "(empty)" in text for a slot without one.
Value SceneNameValue(const EqualizerMirror& mirror, int scene);
/// The scene the box reported as current, 0 for none.
int CurrentScene(const EqualizerMirror& mirror);

}  // namespace qb::cli
