#pragma once
/// What every editing service works on: the mirror it changes, the session whose link
/// carries the commands, and the hub that tells the views. Also the questions a service may
/// put to the user before a change that needs consent; the front end answers them.

#include <functional>

#include "core/box_session.h"
#include "core/equalizer_mirror.h"
#include "core/mirror_change.h"

namespace qb {

struct EditContext {
  EqualizerMirror& mirror;
  BoxSession& session;
  ChangeHub& changes;

  Profile& Live() const { return mirror.currentProfile; }
  DeviceLink& Link() const { return session.Link(); }
  void Publish(const Change& change) const { changes.Publish(change); }
};

/// Changes the user confirms first.
enum class Question {
  LockOutputs,
  UnlockOutputs,
  BypassAllEq,
  RestoreAllEq,
  ResetAllEq,
  ParametricEqMode,  ///< switch to the parametric equaliser
  GraphicEqMode,     ///< switch to the graphic equaliser
};

/// Answers a question: true to go ahead.
using Confirm = std::function<bool(Question)>;

}  // namespace qb
