#pragma once
/// The ten scenes stored in the box and whole settings sets moved between the box and
/// profile files: loading, saving and deleting a scene, reading every scene back into the
/// mirror for a whole-configuration file, and writing a loaded file into the box. The long
/// parts run as the session's tasks; what they change in the mirror is announced.
///
/// A file is read completely before anything changes: a damaged one leaves the mirror, the
/// view and the box as they were.

#include <functional>
#include <string>
#include <string_view>

#include "core/edit_context.h"
#include "core/profile_file.h"
#include "core/scene_names.h"
#include "messages/reply_message.h"

namespace qb {

class SceneService {
 public:
  explicit SceneService(EditContext& context) : m_ctx(context) {}

  /// The scene the box last reported as current (0 for none).
  int CurrentScene() const { return m_ctx.mirror.currentScene; }
  /// The box reported its current scene (0..10).
  void SetCurrentScene(int scene);
  /// Asks the box which scene is current; the answer goes to the scene window's target.
  bool AskCurrentScene();
  /// Where the box's scene notices go (saved, deleted, the current scene): the scene
  /// window while it is open; null when it closes.
  void AttachWindow(MessageTarget* target);
  /// Scene `scene`'s name slot (1..10) cleared or set (at most seven code units are kept).
  void SetSceneName(int scene, std::u16string_view name);

  // --- the scene window's operations (the window has asked the user) -----------------------
  // Each starts a task that posts WM_CLOSE_LOADING to `done` when it ends; false while
  // another task runs or for a scene outside 1..10.

  /// The box copies scene `scene` into its live settings, which are then read back.
  bool LoadScene(int scene, MessageTarget* done);
  /// Checks `name` as scene `scene`'s new name (CheckSceneName against the other scenes, in
  /// the code page of the UI language).
  SceneNameCheck CheckName(int scene, std::u16string_view name) const;
  /// Names scene `scene` and stores the live settings in it. False, sending and changing
  /// nothing, for a name CheckName refuses.
  bool SaveScene(int scene, std::u16string_view name, MessageTarget* done);
  /// Deletes scene `scene`; its name slot is cleared at once.
  bool DeleteScene(int scene, MessageTarget* done);
  /// Reads the box's live settings back after the box changed them itself (a calibration
  /// result applied), so every view shows what the box now holds; the session's loading
  /// notices frame the read. False, changing nothing, while a task runs or without a box.
  bool ReadBackLiveSettings();

  // --- profile files ------------------------------------------------------------------------

  /// Writes the live settings to a scene profile file (here, no task).
  ProfileFileResult SaveSceneProfile(const std::string& path);
  /// Reads a scene profile file into the live settings as the box will hold them (its band
  /// counts and steps kept, the link state settled) and writes them into the box on a task.
  /// Nothing changes unless the result is Ok; TaskBusy while a task runs or no box is open.
  ProfileFileResult LoadSceneProfile(const std::string& path);
  /// Reads every scene and the live settings back from the box, then writes the whole
  /// configuration file; `finished` hears how the file went (on the owning thread). A box
  /// that leaves during the reads leaves any older file alone (BoxLeft).
  bool SaveWholeProfile(const std::string& path, std::function<void(ProfileFileResult)> finished);
  /// Reads a whole configuration file into the mirror as the box will hold it and writes its
  /// scenes (emptying the slots it keeps empty) and the live settings into the box on a
  /// task. A file whose scene names the box cannot keep, or that names two scenes alike, is
  /// refused (SceneNameRefused). Nothing changes unless the result is Ok; TaskBusy while a
  /// task runs or no box is open.
  ProfileFileResult LoadWholeProfile(const std::string& path);

 private:
  bool ValidScene(int scene) const { return scene >= kFirstStoredScene && scene <= kLastStoredScene; }
  PerOutput<int> BandCounts() const;
  /// After the box's live settings were read back: the queue on, every curve computed
  /// again and every view redrawn.
  void LiveSettingsRead();

  EditContext& m_ctx;
};

}  // namespace qb
