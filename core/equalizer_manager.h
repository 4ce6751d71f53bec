#pragma once
/// The core of a tuning session: it owns the mirror of the box, the change notices, the
/// session with the box and the editing services, and ties them together. Front ends (the
/// main window's presenter, the command-line tool) drive the services and follow the
/// mirror through the notices; nothing here needs a display.
///
/// Threads: everything runs on the thread that owns the mirror; the session's tasks and the
/// link's worker only post messages, which that thread hands to HandleMessage.

#include <memory>
#include <optional>
#include <string_view>

#include "core/box_session.h"
#include "core/calibration_session.h"
#include "core/crossover_editor.h"
#include "core/edit_context.h"
#include "core/edit_history.h"
#include "core/eq_editor.h"
#include "core/firmware_updater.h"
#include "core/equalizer_mirror.h"
#include "core/field_restore.h"
#include "core/link_editor.h"
#include "core/main_controls.h"
#include "core/memory_service.h"
#include "core/mirror_change.h"
#include "core/output_editor.h"
#include "core/reply_application.h"
#include "core/routing_editor.h"
#include "core/scene_service.h"

namespace qb {

/// What a firmware update is, for the rest of the session while it runs.
enum class FirmwareUpdateKind {
  Forced,  ///< the forced update of an outdated box: a box that returns is handed back to it
  Manual,  ///< the update window: an unplug is the update's own restart, not news
};

class EqualizerManager;

/// The life of one firmware update, as the session must see it: while the scope lives, the
/// box's departures and returns belong to the update. Move-only; ends when destroyed.
class FirmwareUpdateScope {
 public:
  FirmwareUpdateScope(EqualizerMirror& mirror, FirmwareUpdateKind kind);
  ~FirmwareUpdateScope();
  FirmwareUpdateScope(FirmwareUpdateScope&& other) noexcept;
  FirmwareUpdateScope& operator=(FirmwareUpdateScope&&) = delete;
  FirmwareUpdateScope(const FirmwareUpdateScope&) = delete;
  FirmwareUpdateScope& operator=(const FirmwareUpdateScope&) = delete;

 private:
  EqualizerMirror* m_mirror;
  FirmwareUpdateKind m_kind;
};

class EqualizerManager {
 public:
  explicit EqualizerManager(std::shared_ptr<HidBackend> backend, LinkTimings timings = {});
  ~EqualizerManager();
  EqualizerManager(const EqualizerManager&) = delete;
  EqualizerManager& operator=(const EqualizerManager&) = delete;

  /// The mirror, read-only: every change goes through the services below.
  const EqualizerMirror& Mirror() const { return m_mirror; }
  const Profile& CurrentProfile() const { return m_mirror.currentProfile; }
  ChangeHub& Changes() { return m_changes; }
  BoxSession& Session() { return m_session; }
  const BoxSession& Session() const { return m_session; }
  /// Words of the DSP's memory, for the service tools.
  MemoryService& Memory() { return m_memory; }
  /// Firmware upgrades, for the update windows.
  FirmwareUpdater& Firmware() { return m_firmware; }
  /// Marks a firmware update for the session until the scope ends.
  FirmwareUpdateScope BeginFirmwareUpdate(FirmwareUpdateKind kind) { return FirmwareUpdateScope(m_mirror, kind); }

  OutputEditor& Outputs() { return m_outputs; }
  MainControls& Main() { return m_main; }
  RoutingEditor& Routing() { return m_routing; }
  LinkEditor& Links() { return m_links; }
  EqEditor& Eq() { return m_eq; }
  CrossoverEditor& Crossovers() { return m_crossovers; }
  ReplyApplication& Replies() { return m_replies; }
  SceneService& Scenes() { return m_scenes; }
  const SceneService& Scenes() const { return m_scenes; }
  /// Undo and redo of the user's edits; it records only the gestures a front end marks.
  EditHistory& History() { return m_history; }

  // --- the room calibration ----------------------------------------------------------------
  /// Opens the calibration a front end drives (the calibration window, the command line),
  /// with the live roles saying which outputs it can measure; one at a time, so an open one
  /// is closed first.
  CalibrationSession& OpenCalibration(CalibrationTimings timings = {});
  /// The open calibration, or null.
  CalibrationSession* Calibration() { return m_calibration.get(); }
  /// Ends the open calibration (its run stopped, an undecided result discarded). When a
  /// result reached the box (applied, or discarded through its button), the box's live
  /// settings are read back on a task, as every read-out, so the mirror holds what the box
  /// now sounds. ReadBack says whether that read started; a read that could not start is
  /// also told to the session's host.
  enum class CalibrationClose { NothingChanged, ReadBack, ReadBackRefused };
  CalibrationClose CloseCalibration();

  /// Settings key "factoryEQ", stored at start-up.
  void SetFactoryEq(int value) { m_mirror.factoryEq = value; }
  /// The UI language ("en", "cn_zh", "ru"): scene names are read in its code page.
  void SetLanguage(std::string_view languageName);

  /// Where replies and the session's messages go, and who hears the session's notices.
  void Attach(MessageTarget* target, SessionHost* host) { m_session.Attach(target, host); }
  /// A message posted to the attached target: a reply, a lifecycle message of the session.
  /// True when it was one of those. What it changes is the box's, never part of a user's
  /// edit step.
  bool HandleMessage(const ReplyMessage& message);

 private:
  friend struct CoreTestAccess;  ///< tests arrange the mirror and watch the link directly
  EqualizerMirror& MutableMirror() { return m_mirror; }
  DeviceLink& Link() { return m_session.Link(); }

  EqualizerMirror m_mirror;
  ChangeHub m_changes;
  // Before the session, so it goes after it: the session's destructor ends the task that
  // an upgrade runs on before the updater it reports through is gone.
  FirmwareUpdater m_firmware{m_session};
  BoxSession m_session;
  MemoryService m_memory{m_session.Link()};
  EditContext m_context{m_mirror, m_session, m_changes};
  OutputEditor m_outputs{m_context};
  MainControls m_main{m_context};
  RoutingEditor m_routing{m_context, m_outputs};
  LinkEditor m_links{m_context, m_outputs, m_routing};
  EqEditor m_eq{m_context};
  CrossoverEditor m_crossovers{m_context};
  ReplyApplication m_replies{m_context, m_outputs, m_routing};
  SceneService m_scenes{m_context};
  FieldRestorer m_restorer{m_context, m_outputs, m_main, m_routing};
  EditHistory m_history{m_context, m_restorer};
  /// Last: its thread talks through the link until it is joined.
  std::unique_ptr<CalibrationSession> m_calibration;
};

}  // namespace qb
