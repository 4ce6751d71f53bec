// The scene window against a virtual box, driven as a user drives it: the scene menu opens
// it, rows are clicked, names typed, questions answered, and the box and the main window
// show the outcome.

#include <QListWidget>
#include <QTest>
#include <QTemporaryDir>
#include <atomic>
#include <deque>
#include <thread>

#include "tests/windows/dialog_driver.h"
#include "core/profile_file.h"
#include "tests/support/mirror_box_compare.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/edit.h"
#include "ui/popup_menu.h"
#include "windows/name_msg_wnd.h"
#include "windows/scene_wnd.h"

namespace qb::test {
namespace {

using windows::CSceneWnd;

/// What the user does inside the modal loops, one step after another: each waits until
/// its window is ready, then acts. Runs from a timer, as the modal loops leave no other way in.
class UserScript {
 public:
  struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
  };
  explicit UserScript(std::deque<Step> steps) : m_steps(std::move(steps)), m_total(m_steps.size()) {
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Turn(); });
    m_timer.start();
    m_started.start();
  }
  bool Done() const { return m_steps.empty(); }

 private:
  void Turn() {
    if (m_steps.empty()) return;
    if (m_started.elapsed() > kPatienceMs) {
      // A window the steps never found would keep its modal loop, and the test, forever.
      ADD_FAILURE() << "step " << m_total - m_steps.size() + 1 << " of " << m_total << " never became ready";
      m_steps.clear();
      for (ui::WindowBase* w : ui::WindowBase::LiveWindows())
        if (w->IsModalRunning()) w->Close(0);
      return;
    }
    if (m_scheduled || !m_steps.front().ready()) return;
    // The action may open a modal loop; it runs apart from this timer's own slot, which Qt
    // would not call again until it returns. Events handled meanwhile may have changed the
    // windows, so it runs only if its window is still ready, and waits again otherwise.
    m_scheduled = true;
    QTimer::singleShot(0, qApp, [this] {
      m_scheduled = false;
      if (m_steps.empty() || !m_steps.front().ready()) return;
      const Step step = std::move(m_steps.front());
      m_steps.pop_front();
      step.act();
    });
  }
  static constexpr int kPatienceMs = 10000;
  std::deque<Step> m_steps;
  std::size_t m_total;
  QTimer m_timer;
  QElapsedTimer m_started;
  bool m_scheduled = false;
};

/// The scene window waiting for the user (no loading window, no question over it).
CSceneWnd* IdleSceneWindow() {
  CSceneWnd* scenes = windows::test::OpenDialog<CSceneWnd>();
  if (!scenes || scenes->IsLoading()) return nullptr;
  for (ui::WindowBase* w : ui::WindowBase::LiveWindows())
    if (w != scenes && w->IsModalRunning() && w->isVisible() && w->ClassName() != u"MainWnd") return nullptr;
  return scenes;
}

QListWidget* Rows(CSceneWnd& window) { return window.Find<QListWidget>(QStringLiteral("listview")); }

void ClickRow(CSceneWnd& window, int row) {
  QListWidget* list = Rows(window);
  ASSERT_NE(list, nullptr);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

UserScript::Step ChooseRowAndConfirm(int row) {
  return {[] { return IdleSceneWindow() != nullptr; },
          [row] {
            CSceneWnd& window = *IdleSceneWindow();
            ClickRow(window, row);
            windows::test::Click(window, "confirm_btn");
          }};
}

UserScript::Step TypeName(const QString& name) {
  return {[] { return windows::test::OpenDialog<windows::CNameMsgWnd>() != nullptr; },
          [name] {
            auto* edit = windows::test::OpenDialog<windows::CNameMsgWnd>()->Find<ui::Edit>(QStringLiteral("name_edt"));
            ASSERT_NE(edit, nullptr);
            edit->selectAll();
            QTest::keyClicks(edit, name);
            QTest::keyClick(edit, Qt::Key_Return);
          }};
}

/// Looks at the idle window, then leaves it with "${exit}".
UserScript::Step LookAndExit(std::function<void(CSceneWnd&)> look = {}) {
  return {[] { return IdleSceneWindow() != nullptr; },
          [look] {
            CSceneWnd& window = *IdleSceneWindow();
            if (look) look(window);
            windows::test::Click(window, "cancel_btn");
          }};
}

class SceneWindowTest : public ConnectedWindowTest {
 protected:
  /// Opens the scene menu with a click on its button and clicks `item` (which may run a
  /// modal window before this returns).
  void ClickSceneMenuItem(const char* item) {
    QTest::mouseClick(Control<ui::Button>(QStringLiteral("btn_scene")), Qt::LeftButton);
    ui::PopupMenu* menu = window->CurrentMenu();
    ASSERT_NE(menu, nullptr);
    QAction* action = menu->FindItem(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr) << item;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
  }

  /// Clicks the scene menu's `item`; the scene window runs `steps`. Returns once the window
  /// has closed and the box has everything.
  void RunSceneWindow(const char* item, std::deque<UserScript::Step> steps) {
    UserScript script(std::move(steps));
    ClickSceneMenuItem(item);
    ASSERT_TRUE(WaitFor([&] { return script.Done() && !windows::test::OpenDialog<CSceneWnd>(); }, 15000))
        << "the user's steps ran and the window closed";
    ASSERT_TRUE(Drain());
  }

  /// A row's text with the figure space that aligns the one-digit numbers left out.
  static QString RowText(CSceneWnd& window, int row) {
    return Rows(window)->item(row)->text().remove(QChar(0x2007));
  }
  /// A scene slot of the box, read in place (a whole state is over a megabyte).
  sim::SceneSlot BoxSlot(int scene) {
    sim::SceneSlot slot;
    Box().Inspect([&](const sim::BoxState& state) { slot = state.scenes[At(scene - 1)]; });
    return slot;
  }
  std::string BoxName(int scene) {
    const auto name = BoxSlot(scene).name;
    return std::string(reinterpret_cast<const char*>(name.data()), strnlen(reinterpret_cast<const char*>(name.data()), name.size()));
  }
};

TEST_F(SceneWindowTest, SavingOverANamedSceneAsksFirstAndAnotherScenesNameIsRefused) {
  Controller().Outputs().SetVolumeDb(0, -14);
  ASSERT_TRUE(Drain());
  RunSceneWindow("scene_item_saveas_scene",
                 {ChooseRowAndConfirm(0), TypeName(QStringLiteral("Stage")), ChooseRowAndConfirm(1),
                  TypeName(QStringLiteral("Stage")), LookAndExit([](CSceneWnd& w) {
                    EXPECT_EQ(RowText(w, 0), QStringLiteral("1    Stage"));
                    EXPECT_EQ(RowText(w, 1), QStringLiteral("2    Empty"));
                    EXPECT_EQ(w.HighlightedRow(), 1) << "the row chosen last is marked";
                  })});
  ASSERT_EQ(messages.size(), 3);
  EXPECT_EQ(messages[0], QStringLiteral("Scene 1 already holds settings. Overwrite it?"));
  EXPECT_EQ(messages[1], QStringLiteral("Scene saved successfully."));
  EXPECT_EQ(messages[2],
            QStringLiteral("The name \"Stage\" is already used by scene 1 (\"Stage\"). Please choose another name."));
  EXPECT_EQ(BoxName(1), "Stage");
  EXPECT_EQ(BoxSlot(1).settings.outputs[0].volumeDb, -14.0);
  EXPECT_FALSE(BoxSlot(2).valid) << "the same name stored nothing";
}

TEST_F(SceneWindowTest, ADeletedSceneShowsEmptyAtOnceAndTheBoxForgetsIt) {
  RunSceneWindow("scene_item_delete_scene", {ChooseRowAndConfirm(0), LookAndExit([](CSceneWnd& w) {
                                               EXPECT_EQ(RowText(w, 0), QStringLiteral("1    Empty"));
                                             })});
  EXPECT_FALSE(BoxSlot(1).valid);
}

/// A box whose scene 3 holds a quieter first output and which reports scene 4 as current.
TEST_F(SceneWindowTest, ALoadThatCannotStartIsToldAndLeavesNoLoadingWindow) {
  // Another task holds the box: the scene's task is refused.
  std::atomic<bool> release{false};
  ASSERT_TRUE(Controller().Session().StartTask([&release] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }));
  RunSceneWindow("scene_item_load_scene",
                 {ChooseRowAndConfirm(0), LookAndExit([](CSceneWnd& w) { EXPECT_FALSE(w.IsLoading()); })});
  release = true;
  EXPECT_TRUE(messages.contains(ui::Tr(QStringLiteral("${task_not_started}"))));
  ASSERT_TRUE(WaitFor([this] { return !Controller().Session().Busy(); }));
}

class StoredScenesTest : public SceneWindowTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override {
    box.Modify([](sim::BoxState& state) {
      sim::SceneSlot& slot = state.scenes[2];
      slot.settings = state.live;
      slot.settings.outputs[0].volumeDb = -23.0;
      slot.settings.outputs[1].mute = 1;
      slot.erased = false;
      slot.valid = true;
      slot.name.fill(0);
      const char name[] = "Night";
      std::copy(name, name + 5, slot.name.begin());
      state.currentScene = 4;
    });
  }
};

TEST_F(StoredScenesTest, TheBoxsCurrentSceneIsMarkedAndALoadedSceneShowsInTheMainWindow) {
  RunSceneWindow("scene_item_load_scene", {LookAndExit([](CSceneWnd& w) {
                   EXPECT_EQ(w.HighlightedRow(), 3);
                   EXPECT_EQ(Rows(w)->item(3)->background().color(), QColor::fromRgba(windows::kCurrentSceneColour));
                   EXPECT_EQ(RowText(w, 2), QStringLiteral("3    Night"));
                 })});
  RunSceneWindow("scene_item_load_scene", {ChooseRowAndConfirm(2), LookAndExit()});
  ASSERT_FALSE(messages.isEmpty());
  EXPECT_TRUE(messages.first().contains(QStringLiteral("Night"))) << "the question names the scene";
  EXPECT_EQ(Live().channels[0].gain, -23.0f);
  EXPECT_EQ(Live().channels[1].mute, 1);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_0")), QStringLiteral("-23dB"));
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
  EXPECT_EQ(Controller().Scenes().CurrentScene(), 3);
}

// --- the scene menu's file items --------------------------------------------------------------

/// The file chooser answers with a path the test names; the box stays connected.
class ProfileMenuTest : public SceneWindowTest {
 protected:
  void AdjustOptions(MainWndOptions& options) override {
    options.profilePathChooser = [this](int, int) { return chosenPath; };
    options.statusHoldMs = 60000;  // the status line is read after slow steps
  }
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    SceneWindowTest::SetUp();
  }
  /// Clicks the scene menu's `item`; the chooser answers `path`.
  void ChooseFileItem(const char* item, const QString& path) {
    chosenPath = path;
    ClickSceneMenuItem(item);
    ASSERT_TRUE(WaitFor([this] { return !Controller().Session().Busy() && !LoadingWindowShown(); }, 20000));
    ASSERT_TRUE(Drain());
  }
  QString File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

  QString chosenPath;

 private:
  QTemporaryDir m_dir;
};

TEST_F(ProfileMenuTest, ASavedProfileLoadsBackThroughTheMenuAndADamagedOneIsRefusedWithItsReason) {
  Controller().Outputs().SetVolumeDb(2, -9);
  ASSERT_TRUE(Drain());
  ChooseFileItem("scene_item_save_file", File("tuned.spf"));
  // A success needs no click: it is said on the status line, the same way for each file operation.
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(window->StatusText(), QStringLiteral("Saved tuned.spf"));

  TypeInto(QStringLiteral("edit_ch_volume_2"), QStringLiteral("0"));  // an edit the user could undo
  ASSERT_TRUE(Drain());
  ASSERT_TRUE(Controller().History().CanUndo());
  ChooseFileItem("scene_item_load_file", File("tuned.spf"));
  EXPECT_TRUE(messages.isEmpty());
  // The load replaced the whole state: the user is told the edits can no longer be undone.
  EXPECT_TRUE(WaitFor([this] { return window->StatusText().contains(ui::Tr(QStringLiteral("${undo_emptied}"))); }))
      << window->StatusText().toStdString();
  EXPECT_TRUE(window->StatusText().startsWith(QStringLiteral("Loaded tuned.spf"))) << window->StatusText().toStdString();
  EXPECT_FALSE(Controller().History().CanUndo());
  EXPECT_EQ(Live().channels[2].gain, -9.0f);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_2")), QStringLiteral("-9dB"));
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");

  QFile damaged(File("damaged.wpf"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("{\"model\":79,\"mainVolume\":");
  damaged.close();
  const Profile before = Live();
  ChooseFileItem("scene_item_load_whole", File("damaged.wpf"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages.last(), QStringLiteral("The file is damaged or incomplete and could not be loaded."));
  EXPECT_EQ(Live(), before);

  ChooseFileItem("scene_item_load_file", QString());
  EXPECT_EQ(messages.size(), 1) << "a cancelled chooser does nothing";
}

TEST_F(ProfileMenuTest, AWholeConfigurationIsWrittenOnceEveryScenesBeenReadAndTheUserIsToldSo) {
  // What the loading window says while the box's scenes are read for the file.
  QStringList said;
  QTimer look;
  look.setInterval(5);
  QObject::connect(&look, &QTimer::timeout, [&said] {
    for (const ui::WindowBase* w : ui::WindowBase::LiveWindows())
      if (w->ClassName() == u"LoadingWnd" && w->isVisible())
        if (QWidget* text = w->FindControl(QStringLiteral("loading_text")); text && !said.contains(ui::Tr(ui::ControlText(text))))
          said << ui::Tr(ui::ControlText(text));
  });
  look.start();
  ChooseFileItem("scene_item_save_whole", File("box.wpf"));
  ASSERT_TRUE(WaitFor([this] { return !window->StatusText().isEmpty(); }));
  look.stop();
  EXPECT_EQ(said, QStringList{QStringLiteral("Saving...")});
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(window->StatusText(), QStringLiteral("Saved box.wpf"));
  auto whole = std::make_unique<WholeProfile>();
  ASSERT_EQ(ReadWholeProfileFile(File("box.wpf").toStdString(), *whole), ProfileFileResult::Ok);
  EXPECT_EQ(whole->names[0], Controller().Mirror().sceneNames[0]);
  EXPECT_EQ(SceneProfileText(whole->current), SceneProfileText(Live()));
}

TEST_F(ProfileMenuTest, AWholeConfigurationOpenedAsASceneFileIsOfferedAsOne) {
  Controller().Outputs().SetVolumeDb(1, -12);
  ASSERT_TRUE(Drain());
  ChooseFileItem("scene_item_save_whole", File("box.wpf"));
  ASSERT_TRUE(WaitFor([this] { return !window->StatusText().isEmpty(); }));
  Controller().Outputs().SetVolumeDb(1, 0);
  ASSERT_TRUE(Drain());

  messageAnswer = 0;  // not now
  ChooseFileItem("scene_item_load_file", File("box.wpf"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${profile_is_whole}"))) << "not called damaged";
  EXPECT_EQ(Live().channels[1].gain, 0.0f);

  messageAnswer = 1;
  ChooseFileItem("scene_item_load_file", File("box.wpf"));
  ASSERT_TRUE(WaitFor([this] { return Live().channels[1].gain == -12.0f; }, 20000));
  EXPECT_EQ(messages.size(), 2);
  EXPECT_TRUE(window->StatusText().startsWith(QStringLiteral("Loaded box.wpf"))) << window->StatusText().toStdString();
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
}

TEST_F(StoredScenesTest, DeletingAStoredSceneAsksFirstAndNamesIt) {
  messageAnswer = 0;
  RunSceneWindow("scene_item_delete_scene", {ChooseRowAndConfirm(2), LookAndExit([](CSceneWnd& w) {
                   EXPECT_EQ(RowText(w, 2), QStringLiteral("3    Night"));
                 })});
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], QStringLiteral("Delete scene 3 \"Night\"? Its settings will be lost."));
  EXPECT_TRUE(BoxSlot(3).valid);
  messageAnswer = 1;
  RunSceneWindow("scene_item_delete_scene", {ChooseRowAndConfirm(2), LookAndExit([](CSceneWnd& w) {
                   EXPECT_EQ(RowText(w, 2), QStringLiteral("3    Empty"));
                 })});
  EXPECT_FALSE(BoxSlot(3).valid);
}

}  // namespace
}  // namespace qb::test
