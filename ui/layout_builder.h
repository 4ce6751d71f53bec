#pragma once
/// Builds controls from the skin's layout files (absolute positions, the element name is the
/// control class). The window's control factory makes the program's own classes; every
/// other element is one of the toolkit's. Unknown elements or attributes fail the build
/// with the file and line, so a typo in a layout never goes unnoticed.

#include <QString>

class QWidget;

namespace qb::ui {

class WindowBase;

struct LayoutResult {
  bool ok = false;
  QString error;
  int rootWidth = 0;   ///< size from the root element
  int rootHeight = 0;
  int captionHeight = 0;
  QString title;
};

/// Builds the layout file at `skinPath` into `parent` (a window or a container), creating
/// the program's own controls through `window`.
LayoutResult BuildLayout(const QString& skinPath, QWidget* parent, WindowBase& window);

}  // namespace qb::ui
