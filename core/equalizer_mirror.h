#pragma once
/// The core's copy of the box and the only source of truth of a session: the live settings,
/// the ten stored scenes with their names, the few values the box reports about itself,
/// the session's own state (delay unit, equaliser mode, connection), the choices pending in
/// the scene window, and the display curves of the live outputs. It has one owner and no
/// lock: only the thread that owns it reads and writes it; tasks talk to the box and post.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "core/channel_response.h"
#include "core/profile.h"
#include "core/session_state.h"
#include "devicelink/scene_records.h"
#include "dspmath/curve_constants.h"

namespace qb {

/// Stored scenes of the box, numbered 1..10; scene number 0 is the live settings.
inline constexpr int kSceneCount = 10;
inline constexpr std::size_t kSceneSlots = static_cast<std::size_t>(kSceneCount);
/// UTF-16 code units of a scene name slot: at most 7 characters and a terminator.
inline constexpr std::size_t kSceneNameUnits = 8;

using SceneName = std::array<char16_t, kSceneNameUnits>;

class EqualizerMirror {
 public:
  /// Every profile at its defaults, names empty, flat display curves.
  EqualizerMirror() = default;
  EqualizerMirror(const EqualizerMirror&) = delete;
  EqualizerMirror& operator=(const EqualizerMirror&) = delete;

  /// The profile a scene number names: 0 the live settings, 1..10 the stored scenes;
  /// nullptr for any other number.
  Profile* ProfileForScene(int scene);
  const Profile* ProfileForScene(int scene) const;

  /// Band row and band count of a live output (see the free functions of profile.h).
  std::span<EqBand> Bands(int output) { return qb::Bands(currentProfile, output); }
  std::span<const EqBand> Bands(int output) const { return qb::Bands(currentProfile, output); }
  int EqSize(int output) const { return qb::EqSize(currentProfile, output); }

  /// True when a live output has `role`.
  bool IsRoleInUse(int role) const { return qb::IsRoleInUse(currentProfile, role); }

  /// Recomputes the display curves of a live output from `currentProfile`, `bypassed`
  /// standing for the output's equaliser bypass flag; only sections whose settings changed
  /// since its last computation are evaluated. `pointCount` must be CurvePoints, the one
  /// size every curve has. Returns false, touching nothing, for an output outside 0..7 or
  /// another point count. The curves are derived from the settings, not part of them, so a
  /// view holding the mirror read-only brings them up to date when it draws.
  bool ComputeChannelResponse(int output, bool bypassed, int pointCount = CurvePoints) const;
  /// ComputeChannelResponse for all eight outputs with their own bypass flags, as after a
  /// full read or load.
  void ComputeAllChannelResponses() const;

  /// The display curves of a live output; nullptr for an output outside 0..7. They stay at
  /// the same address for the life of the mirror.
  const ChannelResponse* Response(int output) const { return m_responses.At(output); }

  SessionState session;                                   ///< not part of any settings set
  std::uint8_t pendingScene = 0;                          ///< 1..10, for the scene window
  std::filesystem::path wholeProfilePath;                 ///< last whole-configuration file
  std::array<char, kSceneNameBytes> pendingSceneName{};   ///< 8-bit code page, zero-padded
  Profile currentProfile;                                 ///< the live settings
  std::array<Profile, kSceneSlots> scenes;                ///< stored scenes 1..10
  std::array<SceneName, kSceneSlots> sceneNames{};        ///< names of scenes 1..10
  std::uint32_t sceneValid = 0;                           ///< last scene-valid word reported
  int currentScene = 0;                                   ///< scene the box reports current, 0 none
  int factoryEq = 0;                                      ///< settings key "factoryEQ"
  /// A forced firmware update is running: an unplug shows no message, a connect reads
  /// nothing. Set for the life of the core's firmware-update scope, read by the hot-plug
  /// and connect paths.
  std::atomic<bool> forcedUpdate{false};
  /// The firmware update window of the option menu is open: an unplug shows no message.
  std::atomic<bool> manualUpdate{false};

 private:
  mutable ChannelResponses m_responses;  ///< the curves' cache, see ComputeChannelResponse
};

}  // namespace qb
