#include "windows/scene_wnd.h"

#include <QLabel>
#include <QListWidgetItem>

#include "core/equalizer_manager.h"
#include "core/scene_names.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/language_tables.h"
#include "ui/list_control.h"
#include "ui/message_port.h"
#include "ui/notification.h"
#include "windows/loading_wnd.h"
#include "windows/message_box.h"
#include "windows/name_msg_wnd.h"
#include "windows/text_format.h"

namespace qb::windows {
namespace {

struct ModeTexts {
  const char* title;
  const char* confirm;
};

ModeTexts TextsOf(SceneWindowMode mode) {
  switch (mode) {
    case SceneWindowMode::Load: return {"${load_scene}", "${load}"};
    case SceneWindowMode::Save: return {"${save_as_scene}", "${save}"};
    case SceneWindowMode::Delete: return {"${delete_scene}", "${delete}"};
  }
  return {"${load_scene}", "${load}"};
}

QString NameOf(const SceneName& slot) { return QString::fromUtf16(slot.data()); }

const QString kTips = QStringLiteral("${tips}");

}  // namespace

CSceneWnd::CSceneWnd(QWidget* owner, EqualizerManager& core, SceneWindowMode mode)
    : DialogBase(owner), m_core(core), m_mode(mode) {}

CSceneWnd::~CSceneWnd() {
  m_core.Changes().Unsubscribe(this);
  m_core.Scenes().AttachWindow(nullptr);
}

void CSceneWnd::OnInit() {
  ApplyOwnerScale();
  auto* title = Require<QLabel>(QStringLiteral("MessageTitle"));
  auto* confirm = Require<ui::Button>(QStringLiteral("confirm_btn"));
  auto* cancel = Require<ui::Button>(QStringLiteral("cancel_btn"));
  m_list = Require<ui::List>(QStringLiteral("listview"));
  if (QWidget* header = FindControl(QStringLiteral("list_header"))) header->setFixedHeight(25 * DisplayScale() / 96);
  const ModeTexts texts = TextsOf(m_mode);
  ShowTitle(title, QString::fromLatin1(texts.title));
  SetTextUnlessEmpty(confirm, QString::fromLatin1(texts.confirm));
  SetTextUnlessEmpty(cancel, QStringLiteral("${exit}"));
  FillRows();
  Bind(confirm, ui::Event::Click, [this] {
    LogPrintA("Click confirm_btn\n");
    Activate();
  });
  Bind(cancel, ui::Event::Click, [this] {
    LogPrintA("Click cancel_btn\n");
    Close(kCodeCancel);
  });
  Bind(FindControl(QStringLiteral("closebtn")), ui::Event::Click, [this] { Close(kCodeCancel); });
  Bind(m_list, ui::Event::ItemActivate, [this] { Activate(); });
  // The box's notices about scenes (saved, deleted, which is current) come to this window
  // while it is open.
  m_core.Changes().Subscribe(this);
  m_core.Scenes().AttachWindow(Port().get());
  m_core.Scenes().AskCurrentScene();
}

void CSceneWnd::MirrorChanged(const Change& change) {
  if (change.Has(kAspectSceneNames)) FillRows();
}

void CSceneWnd::FillRows() {
  if (!m_list) return;
  const int selected = m_list->CurrentSelection();
  m_list->Clear();
  for (int n = 1; n <= kSceneCount; ++n) {
    const QString name = NameOf(m_core.Mirror().sceneNames[At(n - 1)]);
    // A figure space before the one-digit numbers keeps the names of all ten rows in line.
    const QString number = QString::number(n).rightJustified(2, QChar(0x2007));
    m_list->AddItem(QStringLiteral("scene_%1").arg(n),
                    QStringLiteral("%1    %2").arg(number, name.isEmpty() ? ui::Tr(QStringLiteral("${empty}")) : name));
  }
  if (selected >= 0) m_list->SelectItem(selected, false);
  Highlight(m_core.Scenes().CurrentScene() - 1);
}

void CSceneWnd::Highlight(int row) {
  LogPrintA("UpdateCurrentScene %d\n", row);
  m_highlighted = (row >= 0 && row < kSceneCount) ? row : -1;
  if (!m_list) return;
  for (int i = 0; i < m_list->count(); ++i) {
    QListWidgetItem* item = m_list->item(i);
    item->setBackground(i == m_highlighted ? QBrush(QColor::fromRgba(kCurrentSceneColour)) : QBrush());
    item->setForeground(i == m_highlighted ? QBrush(Qt::black) : QBrush());
  }
}

// --- what the user does -------------------------------------------------------------------------

void CSceneWnd::Activate() {
  const int row = m_list ? m_list->CurrentSelection() : -1;
  const bool valid = row >= 0 && row < kSceneCount;
  switch (m_mode) {
    case SceneWindowMode::Load:
      LogPrintA("SENCE_LOAD id = %d\n", row);
      if (valid) LoadScene(row + 1);
      Highlight(row);
      break;
    case SceneWindowMode::Save:
      LogPrintA("SENCE_SAVE id = %d\n", row);
      if (valid) SaveScene(row + 1);
      Highlight(row);
      break;
    case SceneWindowMode::Delete:
      LogPrintA("SENCE_DELETE id = %d\n", row);
      if (valid) DeleteScene(row + 1);
      break;
  }
}

void CSceneWnd::LoadScene(int scene) {
  LogPrintA("LoadSence\n");
  const QString name = NameOf(m_core.Mirror().sceneNames[At(scene - 1)]);
  const QString question =
      name.isEmpty() ? FillPlaceholders(ui::Tr(QStringLiteral("${load_scene_tips2}")), {QString::number(scene)})
                     : FillPlaceholders(ui::Tr(QStringLiteral("${load_scene_tips1}")), {QString::number(scene), name});
  if (ShowMessageBox(this, kTips, question) != kCodeConfirm) return;
  BlockWhile(m_core.Scenes().LoadScene(scene, Port().get()));
}

void CSceneWnd::SaveScene(int scene) {
  LogPrintA("SaveSence\n");
  const QString current = NameOf(m_core.Mirror().sceneNames[At(scene - 1)]);
  if (!current.isEmpty() &&
      ShowMessageBox(this, kTips,
                     FillPlaceholders(ui::Tr(QStringLiteral("${save_scene_overwrite}")), {QString::number(scene)})) !=
          kCodeConfirm)
    return;
  QString name = current;
  if (ShowNameEntry(this, name) != kCodeConfirm || name.isEmpty()) return;
  // The core's check: a refused name is told and never reaches the box, and the slot keeps
  // the name the box has.
  const std::u16string typed = name.toStdU16String();
  const SceneNameCheck check = m_core.Scenes().CheckName(scene, typed);
  if (check.problem == SceneNameProblem::TakenByOtherScene) {
    const QString otherName = NameOf(m_core.Mirror().sceneNames[At(check.otherScene - 1)]);
    Tell(FillPlaceholders(ui::Tr(QStringLiteral("${same_name_tips}")), {name, QString::number(check.otherScene), otherName}));
    return;
  }
  if (!check.Ok()) {
    Tell(FillPlaceholders(ui::Tr(QStringLiteral("${scene_name_not_kept}")), {name}));
    return;
  }
  BlockWhile(m_core.Scenes().SaveScene(scene, typed, Port().get()));
}

void CSceneWnd::DeleteScene(int scene) {
  LogPrintA("DeleteSence\n");
  // A stored scene is lost for good: asked first, as loading and overwriting are.
  const QString name = NameOf(m_core.Mirror().sceneNames[At(scene - 1)]);
  const QString question =
      name.isEmpty() ? FillPlaceholders(ui::Tr(QStringLiteral("${delete_scene_tips2}")), {QString::number(scene)})
                     : FillPlaceholders(ui::Tr(QStringLiteral("${delete_scene_tips1}")), {QString::number(scene), name});
  if (ShowMessageBox(this, kTips, question) != kCodeConfirm) return;
  BlockWhile(m_core.Scenes().DeleteScene(scene, Port().get()));
}

void CSceneWnd::BlockWhile(bool taskStarted) {
  // The loading window waits for the task's end: only a task that started has one.
  if (taskStarted) PostSelf(WM_SHOW_LOADING);
  else Tell(QStringLiteral("${task_not_started}"));
}

void CSceneWnd::Tell(const QString& text) { ShowMessageBox(this, kTips, text, {QStringLiteral("${confirm}")}); }

// --- messages -----------------------------------------------------------------------------------

void CSceneWnd::PostSelf(std::uint32_t number) { Port()->Post(number); }

void CSceneWnd::ShowLoading() {
  if (m_loading) m_loading->Finish();
  CLoadingWnd loading(this);
  if (!loading.Build()) return;
  m_loading = &loading;
  loading.Run();
  m_loading = nullptr;
}

void CSceneWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  handled = true;
  switch (message.number) {
    case WM_SCENE_REPLY:  // the box's scene-saved notice
      PostSelf(WM_CLOSE_LOADING);
      ShowMessageBox(this, kTips, QStringLiteral("${save_scene_ok}"), {QStringLiteral("${confirm}")});
      break;
    case WM_SCENE_DELETED: PostSelf(WM_CLOSE_LOADING); break;
    case WM_SCENE_ID: m_core.HandleMessage(message); break;
    case WM_SHOW_LOADING: ShowLoading(); break;
    case WM_CLOSE_LOADING:
      if (m_loading) m_loading->Finish();
      break;
    default: handled = false; break;
  }
}

int ShowSceneWindow(QWidget* owner, EqualizerManager& core, SceneWindowMode mode) {
  DialogHolder<CSceneWnd> window(owner, core, mode);
  window->Build(QStringLiteral("scenewnd"));
  return window->Run();
}

}  // namespace qb::windows
