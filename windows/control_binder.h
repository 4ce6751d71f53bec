#pragma once
/// Looks a window's controls up once by name, keeps typed references and binds what each
/// control's events do in the same step. The first required control that is missing (or of
/// another kind) is remembered so the window can refuse to start with its name; optional
/// controls may be absent and bind nothing.

#include <QString>
#include <QWidget>
#include <utility>

#include "ui/window_base.h"

namespace qb::windows {

class ControlBinder {
 public:
  explicit ControlBinder(ui::WindowBase& window) : m_window(window) {}

  /// The control found for a slot: `On` binds a handler to one of its events.
  template <typename T>
  class Found {
   public:
    Found(ui::WindowBase& window, T* control) : m_window(window), m_control(control) {}
    template <typename Handler>
    Found& On(ui::Event event, Handler&& handler) {
      m_window.Bind(m_control, event, std::forward<Handler>(handler));
      return *this;
    }
    T* Control() const { return m_control; }

   private:
    ui::WindowBase& m_window;
    T* m_control;
  };

  template <typename T>
  Found<T> Required(T*& slot, const QString& name) {
    QWidget* control = m_window.FindControl(name);
    slot = Cast<T>(control);
    if (!slot && m_missing.isEmpty()) m_missing = control ? name + QStringLiteral(" (wrong kind of control)") : name;
    return Found<T>(m_window, slot);
  }

  template <typename T>
  Found<T> Optional(T*& slot, const QString& name) {
    slot = Cast<T>(m_window.FindControl(name));
    return Found<T>(m_window, slot);
  }

  bool Ok() const { return m_missing.isEmpty(); }
  const QString& Missing() const { return m_missing; }
  ui::WindowBase& Window() const { return m_window; }

 private:
  template <typename T>
  static T* Cast(QWidget* control) {
    if constexpr (std::is_same_v<T, QWidget>) return control;
    else return qobject_cast<T*>(control);
  }

  ui::WindowBase& m_window;
  QString m_missing;
};

/// "name_%d" with `index` in place of %d.
inline QString IndexedName(const char* format, int index) {
  return QString::fromLatin1(format).replace(QStringLiteral("%d"), QString::number(index));
}

}  // namespace qb::windows
