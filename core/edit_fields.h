#pragma once
/// The fields of the live settings that the user edits, named one by one so an edit can be
/// kept as what it changed: each changed field with its value before and after. A step of
/// the edit history is a list of these, never a copy of the settings.
///
/// Fields the user does not edit (what the box reports about itself, karaoke, compressor)
/// and the view's own choices (current output, curves shown, delay unit) are not named: an
/// undo never moves them.

#include <cstdint>
#include <variant>
#include <vector>

#include "core/profile.h"

namespace qb {

/// Kinds of edited fields, in the order a restore sends them to the box: lock and link
/// first (linking makes the box copy one side onto the other, which the later values
/// correct), a role before its filters, the routing last.
enum class FieldKind : std::uint8_t {
  LockMode,
  LinkMode,
  LinkPartner,  ///< per output
  Role,         ///< per output
  HighPass,     ///< per output
  LowPass,      ///< per output
  BpType,       ///< per output
  EqBypass,     ///< per output
  Band,         ///< per output and band
  Volume,       ///< per output
  Mute,         ///< per output
  Phase,        ///< per output
  Delay,        ///< per output
  SyncMember,   ///< per output
  SyncSlider,   ///< per output
  SyncVolume,   ///< per output
  InputMask,    ///< per source and output
  MixLevel,     ///< per source, input slot and output
  Source,
  MainVolume,
  MainMute,
  Amp,
  EqMode,  ///< parametric (1) or graphic (0) editing
};

struct FieldKey {
  FieldKind kind = FieldKind::LockMode;
  std::uint8_t output = 0;
  std::uint8_t source = 0;
  std::uint8_t index = 0;  ///< the band, or the input slot of a mix level

  bool operator==(const FieldKey&) const = default;
};

using FieldValue = std::variant<int, float, EqBand, CrossoverFilter>;

struct FieldChange {
  FieldKey key;
  FieldValue before;
  FieldValue after;
};

/// What an edit may change: the live settings and the equaliser's editing mode.
struct EditedState {
  Profile live;
  bool parametricEq = false;
};

/// Every field in which `after` differs from `before`, in restore order. Floats are compared
/// by their bits, so a value a file stored as NaN does not read as changed forever.
std::vector<FieldChange> DiffEditedState(const Profile& before, bool beforeEq, const Profile& after, bool afterEq);

FieldValue ReadField(const Profile& live, bool parametricEq, FieldKey key);
/// Stores `value` in the field `key` names; a value of another type than the field's is
/// ignored.
void WriteField(Profile& live, bool& parametricEq, FieldKey key, const FieldValue& value);

}  // namespace qb
