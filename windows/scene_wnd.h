#pragma once
/// The scene window: the ten scenes stored in the box, one of which the user loads into the
/// live settings, saves the live settings into, or deletes. It asks the questions (load,
/// overwrite, delete, the name, the same-name check), blocks itself with its own loading
/// window while the core's scene task runs, and highlights the scene the box reports as
/// current. The rows follow the mirror's scene names through the change notices.

#include <memory>

#include "core/mirror_change.h"
#include "windows/dialog_base.h"

namespace qb {
class EqualizerManager;
}
namespace qb::ui {
class List;
}

namespace qb::windows {

class CLoadingWnd;

enum class SceneWindowMode { Load = 0, Save = 1, Delete = 2 };

/// ARGB of the current scene's row: alpha FF, red F6, green CE, blue 1D.
inline constexpr unsigned kCurrentSceneColour = 0xFFF6CE1Du;

class CSceneWnd : public DialogBase, public MirrorObserver {
  Q_OBJECT
 public:
  CSceneWnd(QWidget* owner, EqualizerManager& core, SceneWindowMode mode);
  ~CSceneWnd() override;

  QString ClassName() const override { return QStringLiteral("MsgWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_SENCE_PROFILE"); }

  void MirrorChanged(const Change& change) override;
  /// The row shown as the current scene, -1 for none.
  int HighlightedRow() const { return m_highlighted; }
  /// True while the window's own loading window runs.
  bool IsLoading() const { return m_loading != nullptr; }

 protected:
  void OnInit() override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;

 private:
  void Activate();
  void LoadScene(int scene);
  void SaveScene(int scene);
  void DeleteScene(int scene);
  /// Blocks the window with its loading window while a task runs; tells the user when the
  /// task did not start.
  void BlockWhile(bool taskStarted);
  void Tell(const QString& text);
  void FillRows();
  void Highlight(int row);
  void ShowLoading();
  void PostSelf(std::uint32_t number);

  EqualizerManager& m_core;
  SceneWindowMode m_mode;
  ui::List* m_list = nullptr;
  CLoadingWnd* m_loading = nullptr;
  int m_highlighted = -1;
};

/// Opens the scene window on `owner` in `mode` and runs it until "${exit}" or its close
/// button; returns the close code.
int ShowSceneWindow(QWidget* owner, EqualizerManager& core, SceneWindowMode mode);

}  // namespace qb::windows
