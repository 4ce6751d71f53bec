#pragma once
/// Simulate mode's cable: F8 takes the virtual box off the bus and F9 plugs it back in,
/// whichever window of the program has the keyboard. A cable can be pulled at any moment,
/// during a scene load, a calibration or a firmware transfer too, so the keys work while a
/// dialog is open, not only in the main window.

#include <QObject>
#include <memory>

namespace qb {

class PlugSwitch;

namespace windows {

class PlugKeys final : public QObject {
  Q_OBJECT
 public:
  /// Listens to every key press of the application while it lives.
  PlugKeys(std::shared_ptr<PlugSwitch> plug, QObject* parent);
  ~PlugKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::shared_ptr<PlugSwitch> m_plug;
};

}  // namespace windows
}  // namespace qb
