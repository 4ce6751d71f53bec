#include "core/edit_history.h"

#include <utility>

#include "shell/log.h"

namespace qb {

EditHistory::EditHistory(EditContext& context, FieldRestorer& restorer) : m_ctx(context), m_restorer(restorer) {
  m_ctx.changes.Subscribe(this);
}

EditHistory::~EditHistory() { m_ctx.changes.Unsubscribe(this); }

EditedState EditHistory::Current() const {
  return EditedState{m_ctx.mirror.currentProfile, m_ctx.mirror.session.parametricEq};
}

void EditHistory::BeginGesture() {
  if (m_depth++ == 0) m_baseline = std::make_unique<EditedState>(Current());
}

void EditHistory::EndGesture() {
  if (m_depth == 0) return;
  if (--m_depth > 0) return;
  CommitPending();
  m_baseline.reset();
}

void EditHistory::CommitPending() {
  if (!m_baseline) return;
  const Profile& live = m_ctx.mirror.currentProfile;
  const bool eq = m_ctx.mirror.session.parametricEq;
  Step step = DiffEditedState(m_baseline->live, m_baseline->parametricEq, live, eq);
  *m_baseline = Current();
  if (step.empty()) return;
  for (const Step& undone : m_redo) m_storedChanges -= undone.size();
  m_redo.clear();
  Push(m_undo, std::move(step));
  Trim();
}

void EditHistory::Push(std::deque<Step>& stack, Step step) {
  m_storedChanges += step.size();
  stack.push_back(std::move(step));
}

void EditHistory::Trim() {
  while (m_undo.size() > kMinHistorySteps &&
         (m_undo.size() > kMaxHistorySteps || m_storedChanges > kHistoryChangeBudget)) {
    m_storedChanges -= m_undo.front().size();
    m_undo.pop_front();
  }
}

bool EditHistory::Move(std::deque<Step>& from, std::deque<Step>& to, RestoreSide side) {
  if (GestureOpen()) CommitPending();
  if (from.empty()) return false;
  Step step = std::move(from.back());
  from.pop_back();
  m_restoring = true;
  m_restorer.Restore(step, side);
  m_restoring = false;
  to.push_back(std::move(step));
  // A gesture still open goes on from the restored values.
  if (m_baseline) *m_baseline = Current();
  return true;
}

bool EditHistory::Undo() {
  LogPrintA("undo (%zu steps)\n", m_undo.size());
  return Move(m_undo, m_redo, RestoreSide::Before);
}

bool EditHistory::Redo() {
  LogPrintA("redo (%zu steps)\n", m_redo.size());
  return Move(m_redo, m_undo, RestoreSide::After);
}

void EditHistory::Clear() {
  m_undo.clear();
  m_redo.clear();
  m_storedChanges = 0;
  if (m_baseline) *m_baseline = Current();
}

void EditHistory::MirrorChanged(const Change& change) {
  if (!m_restoring && change.Has(kAspectConnection)) Clear();
}

EditHistory::OutsideChange::OutsideChange(EditHistory& history) : m_history(history) {
  if (m_history.m_baseline) m_before = std::make_unique<EditedState>(m_history.Current());
}

EditHistory::OutsideChange::~OutsideChange() {
  if (!m_before || !m_history.m_baseline) return;
  const EqualizerMirror& mirror = m_history.m_ctx.mirror;
  EditedState& baseline = *m_history.m_baseline;
  for (const FieldChange& change :
       DiffEditedState(m_before->live, m_before->parametricEq, mirror.currentProfile, mirror.session.parametricEq))
    WriteField(baseline.live, baseline.parametricEq, change.key, change.after);
}

}  // namespace qb
