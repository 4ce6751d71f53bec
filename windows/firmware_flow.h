#pragma once
/// The main window's part in firmware updates: the forced update of an outdated box (the
/// question, the built-in images written out, the forced update window) and the update
/// window of the options menu, which a box left in its loader also opens. While either runs,
/// the core's firmware-update scope tells the session that the box's departures are the
/// update's own.

#include <QString>
#include <functional>

class QWidget;

namespace qb {

class EqualizerManager;
class PresenterHost;
namespace windows {
class CForceUpdateWnd;
}

class FirmwareFlow {
 public:
  /// `chooseFile` asks for the update window's image file (a test answers instead of the
  /// file dialog); empty when cancelled.
  FirmwareFlow(QWidget& owner, EqualizerManager& core, PresenterHost& host,
               std::function<QString(QWidget* owner)> chooseFile);

  /// The box's firmware is older than the program needs: ask, write out the built-in images
  /// and run the forced update; the box is read again afterwards.
  void ForceUpdate();
  /// The box came back during the forced update: the update goes on.
  void ContinueForcedUpdate();
  /// The update window, unless one is open already (the box may report its loader again).
  void ShowUpdateWindow();

 private:
  QWidget& m_owner;
  EqualizerManager& m_core;
  PresenterHost& m_host;
  std::function<QString(QWidget*)> m_chooseFile;
  windows::CForceUpdateWnd* m_forceUpdate = nullptr;  ///< while the forced update is open
  bool m_updateWindowOpen = false;
};

}  // namespace qb
