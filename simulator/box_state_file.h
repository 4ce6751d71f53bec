#pragma once
/// Keeps a virtual box's state in a file between runs, so a tune prepared offline survives
/// the session and consecutive command-line calls talk to the same box.
///
/// The file is JSON: {"format":"quorelbox-virtual-box","version":1, ...} followed by every
/// field of BoxState under its own name, except pcConnected, which belongs to a session.
/// Byte strings (names, raw scene blocks, password, remark, device text, remap lists) are
/// lowercase hex; an equaliser band is [freqHz, q, gainDb], a link pair [from, to] and a
/// memory word [address, value]. Doubles are written in their shortest exact form, so a
/// state read back equals the state saved.
///
/// A file is outside input: reading checks every value against what its field can hold
/// and never stores part of a damaged file.

#include <cstddef>
#include <string>
#include <string_view>

#include "simulator/box_state.h"

namespace qb::sim {

inline constexpr int kBoxStateFileVersion = 1;
/// Most DSP memory words a state file may list; a box only holds what commands wrote.
inline constexpr std::size_t kMaxStoredMemoryWords = 65536;
/// Longest device text a state file may hold.
inline constexpr std::size_t kMaxStoredTextBytes = 255;
/// A saved state is about a megabyte; anything far beyond is not one.
inline constexpr std::size_t kMaxBoxStateFileBytes = std::size_t{64} << 20;

/// Writes `state` to `path`: into a temporary file in the same folder, flushed to disk,
/// then renamed over `path`, so the file is always either the old state or the new one.
/// Returns false with a one-line reason in `*error` (when given) when the folder is missing
/// or not writable, the disk fails, or the state holds something a load would refuse (a
/// non-finite number, a list longer than a file may hold); no file is left behind then.
bool SaveBoxState(const BoxState& state, const std::string& path, std::string* error);

enum class LoadResult { Loaded, Missing, Damaged };

/// Reads the state saved at `path`.
/// - Loaded: `state` is replaced as a whole (pcConnected becomes false: no program has
///   announced itself to the box yet).
/// - Missing: there is no file at `path`; `state` is untouched, so the caller starts a
///   factory-fresh box.
/// - Damaged: the file exists but cannot be read or is not a state this program wrote;
///   `state` is untouched and `*error` names the file and what is wrong. A caller must
///   not save over such a file without asking: it may hold the user's work.
LoadResult LoadBoxState(const std::string& path, BoxState& state, std::string* error);

/// The file's text for `state`; false with the reason when it cannot be written (see
/// SaveBoxState).
bool SerializeBoxState(const BoxState& state, std::string& json, std::string* error);

/// Reads a state from file text: Loaded or Damaged as LoadBoxState, the message without a
/// file name.
LoadResult ParseBoxState(std::string_view json, BoxState& state, std::string* error);

/// One record of a state file on its own, read and written by the rules of a whole file:
/// what the file holds for one output (an entry of "outputs"), for one input source (of
/// "sources") or for one link ("link", "trimLink", "delayLink"). A whole state is a
/// megabyte of text; its records are what a reader can be checked on quickly, one at a
/// time. Damaged leaves `record` untouched, and the message names the place in the record.
LoadResult ParseBoxStateRecord(std::string_view json, OutputChannel& record, std::string* error);
LoadResult ParseBoxStateRecord(std::string_view json, SourceSettings& record, std::string* error);
LoadResult ParseBoxStateRecord(std::string_view json, ChannelLink& record, std::string* error);
bool SerializeBoxStateRecord(const OutputChannel& record, std::string& json, std::string* error);
bool SerializeBoxStateRecord(const SourceSettings& record, std::string& json, std::string* error);
bool SerializeBoxStateRecord(const ChannelLink& record, std::string& json, std::string* error);

}  // namespace qb::sim
