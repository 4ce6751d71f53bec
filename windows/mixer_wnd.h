#pragma once
/// The mixer: for the input source that was current when it opened, a grid of cells, one
/// column per output and one row per input of the source. A cell's enable box routes the
/// input to the output, its slider and edit set the input's trim on that output; both go
/// through the core's routing service, and every cell is drawn from the mirror whenever a
/// change notice names its output, so the main window's input boxes and the mixer always
/// agree. A new connection or a disconnect ends the window with code 1.

#include <array>
#include <optional>

#include "core/mirror_change.h"
#include "core/profile.h"
#include "core/session_state.h"
#include "windows/dialog_base.h"

namespace qb {
class EqualizerManager;
}
namespace qb::ui {
class CheckBox;
class Edit;
class Slider;
}  // namespace qb::ui

namespace qb::windows {

/// Height of one input row in the layout, which is drawn for kBoxInputs rows.
inline constexpr int kMixerRowHeight = 83;

class CMixerWnd : public DialogBase, public MirrorObserver {
  Q_OBJECT
 public:
  CMixerWnd(QWidget* owner, EqualizerManager& core);
  ~CMixerWnd() override;

  QString ClassName() const override { return QStringLiteral("MixerWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_MIXER"); }

  void MirrorChanged(const Change& change) override;
  int Source() const { return m_source; }
  /// Input rows shown: 2 or 6 for the sources that carry inputs, 0 for the others.
  int Rows() const { return m_rows; }

 protected:
  void OnInit() override;
  /// Runs the bound handler as one step of the edit history, once the window is built.
  void Notify(ui::Notification& notification) override;

 private:
  struct Cell {
    QWidget* box = nullptr;
    ui::CheckBox* enable = nullptr;
    ui::CheckBox* phase = nullptr;
    ui::Slider* volume = nullptr;
    ui::Edit* edit = nullptr;
  };
  /// Column (output) and row (input - 1) of a cell.
  struct Position {
    int column = 0;
    int row = 0;
  };

  void BindCells();
  void ShowRows();
  void TitleRows();
  void FitHeight(const QSize& baseSize);
  void DrawColumn(int column);
  void DrawCell(Position at);
  /// Binds what the cell's enable box, slider and edit do.
  void BindCell(Position at);
  /// The cell whose edit holds the focus and a trim typed but not confirmed, if any.
  std::optional<Position> CellTyping() const;

  void OnEnable(Position at);
  void OnSlider(Position at);
  /// Takes the edit's text as the cell's trim. A text that is no number changes nothing
  /// and the cell shows its trim again.
  void CommitEdit(Position at);
  void Step(Position at, bool up);
  void MoveFocus(Position at, bool right);
  void FocusEdit(Position at);
  void FollowConnection();

  Cell& CellAt(Position at) { return m_cells[At(at.column)][At(at.row)]; }
  int Mask(int column) const;

  EqualizerManager& m_core;
  const int m_source;
  const int m_rows;
  bool m_initialised = false;
  ConnectionState m_connection;
  std::array<std::array<Cell, kBoxInputs>, kOutputSlots> m_cells{};
};

/// Opens the mixer on `owner` for the current input source and runs it until it is
/// closed; returns the close code.
int ShowMixerWindow(QWidget* owner, EqualizerManager& core);

}  // namespace qb::windows
