#include "windows/mixer_wnd.h"

#include <algorithm>
#include <optional>
#include <string>

#include "core/box_limits.h"
#include "core/equalizer_manager.h"
#include "core/source_catalogue.h"
#include "core/typed_number.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "ui/notification.h"
#include "ui/slider.h"
#include "windows/indexed_name.h"

namespace qb::windows {
namespace {

/// Texts of the sources by InputSource index, as the source list shows them.
constexpr std::array<const char*, kInputSourceCount> kSourceTexts = {
    "${source_opt}", "${source_coax}", "${source_bt}", "${source_aux}", "${source_low}",
    "${source_hi}",  "${source_dmp}",  "${source_udp}", "${source_scp}"};

/// The session's own close code for a mixer it ends.
constexpr int kClosedBySession = 1;

int RowsOf(int source) { return InputsOfSource(source); }

void ShowIf(QWidget* control, bool shown) {
  if (control) control->setVisible(shown);
}

}  // namespace

CMixerWnd::CMixerWnd(QWidget* owner, EqualizerManager& core)
    : DialogBase(owner),
      m_core(core),
      m_source(core.CurrentProfile().inputSource),
      m_rows(RowsOf(m_source)),
      m_connection(core.Mirror().session.connection) {}

CMixerWnd::~CMixerWnd() { m_core.Changes().Unsubscribe(this); }

// --- building -------------------------------------------------------------------------------------

void CMixerWnd::OnInit() {
  // The layout's own size, before the display scale: the height shrinks from it.
  const QSize baseSize = size();
  ApplyOwnerScale();
  BindCells();
  ShowRows();
  for (int column = 0; column < kOutputCount; ++column) DrawColumn(column);
  TitleRows();
  FitHeight(baseSize);
  m_core.Changes().Subscribe(this);
  m_initialised = true;
}

void CMixerWnd::BindCells() {
  for (int column = 0; column < kOutputCount; ++column) {
    Require<QWidget>(Indexed("column_%1", column));
    for (int row = 0; row < kBoxInputs; ++row) {
      Cell& cell = CellAt({column, row});
      cell.box = Require<QWidget>(Indexed("box_%1_%2", column, row));
      cell.enable = Require<ui::CheckBox>(Indexed("box_enable_%1_%2", column, row));
      cell.phase = Require<ui::CheckBox>(Indexed("box_phase_%1_%2", column, row));
      cell.volume = Require<ui::Slider>(Indexed("box_volume_%1_%2", column, row));
      cell.edit = Require<ui::Edit>(Indexed("box_edit_%1_%2", column, row));
      // The phase flag of a cell is shown, never edited: the box takes no phase per cell
      // from this program, and a box that toggled to no effect would mislead.
      if (cell.phase) cell.phase->setEnabled(false);
      // The core keeps the trims' range.
      if (cell.volume) cell.volume->setRange(0, kFullMixLevel);
      if (row < m_rows) BindCell({column, row});
    }
  }
  BindCommonButtons([this](int code) {
    // The skin's buttons take no focus, so a trim typed but not yet confirmed is still in
    // its edit: it counts, as it would had the user left the edit first.
    if (const std::optional<Position> at = CellTyping()) CommitEdit(*at);
    Close(code);
  });
  for (int row = 0; row < kBoxInputs; ++row) {
    for (const char* name : {"left_box_%1", "second_%1", "title_label_%1"}) Require<QWidget>(Indexed(name, row));
  }
}

void CMixerWnd::ShowRows() {
  for (int row = 0; row < kBoxInputs; ++row) {
    const bool shown = row < m_rows;
    // A gap only separates two rows that are both shown.
    const bool gap = row < m_rows - 1;
    for (int column = 0; column < kOutputCount; ++column) {
      ShowIf(CellAt({column, row}).box, shown);
      ShowIf(FindControl(Indexed("box_grap_%1_%2", column, row)), gap);
    }
    for (const char* name : {"left_box_%1", "second_%1", "title_label_%1"}) ShowIf(FindControl(Indexed(name, row)), shown);
    for (const char* name : {"left_grap_%1", "second_grap_%1"}) ShowIf(FindControl(Indexed(name, row)), gap);
  }
}

void CMixerWnd::TitleRows() {
  if (m_rows == 0) return;
  const QString source = ui::Tr(QString::fromLatin1(kSourceTexts[At(m_source)]));
  for (int row = 0; row < m_rows; ++row) {
    QString title;
    if (m_rows == 2) title = QStringLiteral("%1 %2").arg(source, row == 0 ? QStringLiteral("L") : QStringLiteral("R"));
    else title = source + QString::number(row + 1);
    if (QWidget* label = FindControl(Indexed("title_label_%1", row))) ui::SetControlText(label, title);
  }
}

void CMixerWnd::FitHeight(const QSize& baseSize) {
  // The layout is drawn for every row a source can have; rows the source lacks go.
  const int height = baseSize.height() - (kBoxInputs - m_rows) * kMixerRowHeight;
  setFixedSize(width(), height * DisplayScale() / 96);
}

// --- drawing --------------------------------------------------------------------------------------

int CMixerWnd::Mask(int column) const {
  return IsSource(m_source) ? m_core.CurrentProfile().inputs[At(m_source)][At(column)] : 0;
}

void CMixerWnd::MirrorChanged(const Change& change) {
  if (change.Has(kAspectConnection)) FollowConnection();
  if (!change.Has(kAspectRouting | kAspectMixLevels)) return;
  for (int column = 0; column < kOutputCount; ++column)
    if (change.HasOutput(column)) DrawColumn(column);
}

void CMixerWnd::DrawColumn(int column) {
  for (int row = 0; row < m_rows; ++row) DrawCell({column, row});
}

void CMixerWnd::DrawCell(Position at) {
  const Cell& cell = CellAt(at);
  if (!cell.enable || !cell.phase || !cell.volume || !cell.edit) return;
  const Profile& live = m_core.CurrentProfile();
  const bool routed = (Mask(at.column) >> at.row & 1) != 0;
  // A cell that routes nothing plays nothing: it shows 0 whatever level is kept for it.
  const int trim = routed ? live.inputMixVolume[At(m_source)][At(at.row)][At(at.column)] : 0;
  cell.enable->SetChecked(routed, false);
  cell.phase->SetChecked(live.inputMixPhase[At(m_source)][At(at.row)][At(at.column)] != 0, false);
  cell.volume->SetValue(trim);
  // What the user is typing into this very edit stays until it is confirmed.
  if (!(cell.edit->hasFocus() && cell.edit->isModified())) cell.edit->setText(QString::number(trim));
}

void CMixerWnd::FollowConnection() {
  const ConnectionState before = m_connection;
  m_connection = m_core.Mirror().session.connection;
  // The cells show the box as it was read. A new read-out, or the end of the connection,
  // leaves them showing a box that is gone; an attempt that never opened a box (connecting,
  // then disconnected again) changes nothing.
  const bool newRead = m_connection == ConnectionState::Reading && before != ConnectionState::Reading;
  const bool ended = m_connection == ConnectionState::Disconnected && before != ConnectionState::Connecting;
  if (newRead || ended) Close(kClosedBySession);
}

// --- what the user does ---------------------------------------------------------------------------

void CMixerWnd::BindCell(Position at) {
  const Cell& cell = CellAt(at);
  Bind(cell.enable, ui::Event::SelectChanged, [this, at] { OnEnable(at); });
  Bind(cell.volume, ui::Event::ValueChanged, [this, at] { OnSlider(at); });
  Bind(cell.volume, ui::Event::MoveValueChanged, [this, at] { OnSlider(at); });
  Bind(cell.edit, ui::Event::ValueChangedUp, [this, at] { Step(at, true); });
  Bind(cell.edit, ui::Event::ValueChangedDown, [this, at] { Step(at, false); });
  Bind(cell.edit, ui::Event::ValueChangedLeft, [this, at] { MoveFocus(at, false); });
  Bind(cell.edit, ui::Event::ValueChangedRight, [this, at] { MoveFocus(at, true); });
  Bind(cell.edit, ui::Event::Return, [this, at] {
    CommitEdit(at);
    FocusEdit(at);
  });
  // Leaving the edit confirms what was typed; the focus goes where the user sent it.
  Bind(cell.edit, ui::Event::KillFocus, [this, at] {
    if (CellAt(at).edit->isModified()) CommitEdit(at);
  });
}

std::optional<CMixerWnd::Position> CMixerWnd::CellTyping() const {
  const auto* edit = qobject_cast<const ui::Edit*>(focusWidget());
  if (!edit || !edit->isModified()) return std::nullopt;
  for (int column = 0; column < kOutputCount; ++column)
    for (int row = 0; row < m_rows; ++row)
      if (m_cells[At(column)][At(row)].edit == edit) return Position{column, row};
  return std::nullopt;
}

void CMixerWnd::Notify(ui::Notification& n) {
  LogPrintA("Notify %s\n", ui::EventName(n.event));
  // Nothing raised while the layout is built is the user's, and a window missing a control
  // is never shown.
  if (!m_initialised || !IsBuilt()) return;
  const EditHistory::Gesture gesture(m_core.History());
  DialogBase::Notify(n);
}

void CMixerWnd::OnEnable(Position at) {
  const bool on = CellAt(at).enable->IsChecked();
  LogPrintA("selected value %d\n", on ? 1 : 0);
  LogPrintA("org channel %d input = 0x%02x\n", at.column, static_cast<unsigned>(Mask(at.column)));
  // The routing service sends the mask, as the main window's input boxes do: a level alone
  // would never make the box route the input.
  m_core.Routing().SetMixInput(m_source, at.row + 1, at.column, on);
  LogPrintA("set channel %d input = 0x%02x\n", at.column, static_cast<unsigned>(Mask(at.column)));
}

void CMixerWnd::OnSlider(Position at) {
  const int value = CellAt(at).volume->value();
  LogPrintA("SetInputTrimSlider set in_ch %d out_ch %d volume to %ddB\n", at.row, at.column, value);
  m_core.Routing().SetMixTrim(m_source, at.row + 1, at.column, value);
  FocusEdit(at);
}

void CMixerWnd::CommitEdit(Position at) {
  Cell& cell = CellAt(at);
  const std::optional<double> typed = ReadTypedNumber(cell.edit->text().toStdString(), kNoUnit);
  cell.edit->setModified(false);
  if (!typed) {
    DrawCell(at);  // a typo: the trim as before, nothing sent
    return;
  }
  // Held to the trims' range; the cell is drawn again from what was kept.
  const int value = std::clamp(WholeOfTyped(*typed), 0, kFullMixLevel);
  LogPrintA("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", at.row, at.column, value);
  m_core.Routing().SetMixTrim(m_source, at.row + 1, at.column, value);
}

void CMixerWnd::Step(Position at, bool up) {
  Cell& cell = CellAt(at);
  const int value = std::clamp(cell.volume->value() + (up ? 1 : -1), 0, kFullMixLevel);
  LogPrintA("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", at.row, at.column, value);
  cell.edit->setText(QString::number(value));
  FocusEdit(at);
  CommitEdit(at);
}

void CMixerWnd::MoveFocus(Position at, bool right) {
  // Right runs along a row into the next one, Left back into the previous one; the rows of
  // the source wrap around.
  Position next{at.column + (right ? 1 : -1), at.row};
  if (next.column >= kOutputCount) next = {0, (at.row + 1) % m_rows};
  else if (next.column < 0) next = {kOutputCount - 1, (at.row + m_rows - 1) % m_rows};
  FocusEdit(next);
}

void CMixerWnd::FocusEdit(Position at) {
  ui::Edit* edit = CellAt(at).edit;
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

int ShowMixerWindow(QWidget* owner, EqualizerManager& core) {
  LogPrintA("EqualizerManager::ShowMixerWindow\n");
  DialogHolder<CMixerWnd> window(owner, core);
  window->Build(QStringLiteral("MixerWnd"));
  return window->Run();
}

}  // namespace qb::windows
