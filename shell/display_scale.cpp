#include "shell/display_scale.h"

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "shell/log.h"

namespace qb {

namespace {

/// Converts to exclusive edges (Qt's QRect::right() is inclusive), moved so that `origin`
/// lands on (0, 0). The rule expects the primary screen at the origin, as the desktop
/// coordinates of other platforms guarantee; under X11 the primary may sit to the right of
/// another monitor, which would otherwise be taken for the primary and skipped.
ScreenRect ToScreenRect(const QRect& r, const QPoint& origin) {
  const int left = r.left() - origin.x();
  const int top = r.top() - origin.y();
  return ScreenRect{left, top, left + r.width(), top + r.height()};
}

}  // namespace

int DpiForScale(float scale) {
  if (scale < 1.0f) return 77;
  if (scale < 1.25f) return 96;
  if (scale < 1.5f) return 120;
  if (scale < 2.0f) return 144;
  if (scale < 3.0f) return 192;
  return 96;
}

DisplayScale SelectDisplayScale(int primaryWidth, int primaryHeight,
                                std::span<const ScreenRect> monitors) {
  std::vector<ScreenRect> others;
  for (const ScreenRect& m : monitors) {
    if (m.left != 0 || m.top != 0) others.push_back(m);
  }
  std::stable_sort(others.begin(), others.end(), [](const ScreenRect& a, const ScreenRect& b) {
    return a.left != b.left ? a.left < b.left : a.top < b.top;
  });

  DisplayScale result;
  result.picked = ScreenRect{0, 0, primaryWidth, primaryHeight};
  for (const ScreenRect& m : others) {
    if (m.Width() > result.picked.Width()) result.picked = m;
  }
  const float sx = static_cast<float>(result.picked.Width()) / static_cast<float>(kReferenceWidth);
  const float sy =
      static_cast<float>(result.picked.Height()) / static_cast<float>(kReferenceHeight);
  result.scale = std::min(sx, sy);
  result.dpi = DpiForScale(result.scale);
  return result;
}

DisplayScale SelectDisplayScaleFromScreens() {
  const QScreen* primary = qGuiApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
  if (primary == nullptr) return DisplayScale{};

  const QPoint origin = primary->geometry().topLeft();
  const ScreenRect main = ToScreenRect(primary->geometry(), origin);
  const ScreenRect virt = ToScreenRect(primary->virtualGeometry(), origin);
  LogPrintA("m_MainScreen (%d,%d,%d,%d)\n", main.left, main.top, main.right, main.bottom);
  LogPrintA("m_VirtualScreen (%d,%d,%d,%d)\n", virt.left, virt.top, virt.right, virt.bottom);

  std::vector<ScreenRect> monitors;
  for (const QScreen* screen : QGuiApplication::screens()) {
    monitors.push_back(ToScreenRect(screen->geometry(), origin));
  }
  const DisplayScale result = SelectDisplayScale(main.Width(), main.Height(), monitors);
  LogPrintA("screen size %d x %d\n", result.picked.right, result.picked.bottom);
  return result;
}

}  // namespace qb
