#pragma once
/// The loading window: blocks its opener while a background task runs. The opener keeps a
/// pointer to it while it runs and ends it with Finish() when the task reports back.
///
///   CLoadingWnd loading(this);            // or a DialogHolder<CLoadingWnd>
///   if (loading.Build()) {
///     m_loading = &loading;               // Finish() may now be called from a handler
///     loading.Run();                      // returns once finished (1) or cancelled (0)
///     m_loading = nullptr;
///   }

#include "windows/dialog_base.h"

namespace qb::windows {

class CLoadingWnd : public DialogBase {
  Q_OBJECT
 public:
  explicit CLoadingWnd(QWidget* owner);

  QString ClassName() const override { return QStringLiteral("LoadingWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_LOADING"); }

  /// Builds the window under its name "loadingwnd"; false (logged) when the layout is missing.
  bool Build();
  /// Runs modally until Finish() or one of its buttons ends it; returns the close code.
  /// Returns 1 at once when Finish() came first, so an early "done" never leaves the
  /// window waiting for a report that has already arrived.
  int Run();
  /// The task is done: ends the window with 1 (at once when running, else its next Run).
  void Finish();
  /// What the window says the task does (a language key), "${loading}" unless set; after
  /// Build.
  void SetText(const QString& textKey);

 protected:
  void OnInit() override;

 private:
  bool m_finished = false;
};

}  // namespace qb::windows
