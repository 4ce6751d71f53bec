#pragma once
/// The undo and redo history of the live settings.
///
/// A front end marks each user gesture (a click, a typed value, a whole drag from press to
/// release, a menu choice) with Gesture; what the gesture changed, with everything the
/// editing rules made follow (a synchronize group, a linked partner), becomes one step.
/// A step keeps only the fields that changed, with their values before and after. Undo and
/// Redo put one step's values back through the FieldRestorer, so the box receives the
/// commands that set them and every view follows the notices.
///
/// The history belongs to the connected box: it is emptied whenever the connection changes
/// and whenever the whole state is replaced (a read-out, a scene or file load, a calibration
/// applied: a notice of everything). It keeps at most kMaxHistorySteps steps, and drops the
/// oldest while it holds more than kHistoryChangeBudget changed fields, always keeping
/// kMinHistorySteps steps.
///
/// Without gestures nothing is recorded: the command-line tool, where each call is one
/// change, shares the services and keeps no history.
///
/// Threads: the thread that owns the mirror, like every editing service.

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

#include "core/edit_context.h"
#include "core/edit_fields.h"
#include "core/field_restore.h"
#include "core/mirror_change.h"

namespace qb {

inline constexpr std::size_t kMaxHistorySteps = 10000;
inline constexpr std::size_t kMinHistorySteps = 200;
/// About 4.4 MB of recorded fields.
inline constexpr std::size_t kHistoryChangeBudget = 100000;

class EditHistory final : public MirrorObserver {
 public:
  EditHistory(EditContext& context, FieldRestorer& restorer);
  ~EditHistory() override;
  EditHistory(const EditHistory&) = delete;
  EditHistory& operator=(const EditHistory&) = delete;

  /// Opens a gesture; gestures nest, and the outermost one makes the step.
  void BeginGesture();
  /// Closes a gesture; closing the outermost one records what changed since it opened, as
  /// one step (nothing when nothing changed). An unmatched close is ignored.
  void EndGesture();
  bool GestureOpen() const { return m_depth > 0; }

  /// A gesture for the lifetime of the object.
  class Gesture {
   public:
    explicit Gesture(EditHistory& history) : m_history(history) { m_history.BeginGesture(); }
    ~Gesture() { m_history.EndGesture(); }
    Gesture(const Gesture&) = delete;
    Gesture& operator=(const Gesture&) = delete;

   private:
    EditHistory& m_history;
  };

  /// Marks a change that is not the user's (a reply of the box applied while a gesture is
  /// open): what it changes is left out of the gesture's step.
  class OutsideChange {
   public:
    explicit OutsideChange(EditHistory& history);
    ~OutsideChange();
    OutsideChange(const OutsideChange&) = delete;
    OutsideChange& operator=(const OutsideChange&) = delete;

   private:
    EditHistory& m_history;
    std::unique_ptr<EditedState> m_before;
  };

  bool CanUndo() const { return !m_undo.empty(); }
  bool CanRedo() const { return !m_redo.empty(); }
  /// Puts the last step's earlier values back; false when there is none. Inside an open
  /// gesture, what the gesture changed so far becomes a step first.
  bool Undo();
  /// Puts the last undone step's values back; false when there is none.
  bool Redo();
  void Clear();

  std::size_t UndoSteps() const { return m_undo.size(); }
  std::size_t RedoSteps() const { return m_redo.size(); }
  /// Changed fields held by all steps.
  std::size_t StoredChanges() const { return m_storedChanges; }

  void MirrorChanged(const Change& change) override;

 private:
  using Step = std::vector<FieldChange>;

  EditedState Current() const;
  /// Records what changed since the baseline and starts a new baseline.
  void CommitPending();
  void Push(std::deque<Step>& stack, Step step);
  void Trim();
  bool Move(std::deque<Step>& from, std::deque<Step>& to, RestoreSide side);

  EditContext& m_ctx;
  FieldRestorer& m_restorer;
  std::deque<Step> m_undo;
  std::deque<Step> m_redo;
  std::size_t m_storedChanges = 0;
  int m_depth = 0;
  /// The state when the outermost gesture opened; only while one is open.
  std::unique_ptr<EditedState> m_baseline;
  bool m_restoring = false;
};

}  // namespace qb
