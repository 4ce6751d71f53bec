#pragma once
/// Choice of every window's display scale: the toolkit's DPI number picked from the widest
/// screen, measured against a 1280 x 720 reference.

#include <span>

namespace qb {

/// A screen rectangle with exclusive right and bottom edges (width = right - left).
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

/// The outcome of the choice.
struct DisplayScale {
  int dpi = 96;       ///< one of 77, 96, 120, 144, 192; layouts scale by dpi / 96
  ScreenRect picked;  ///< the rectangle the scale was taken from
  float scale = 1.0f; ///< min(width / 1280, height / 720) of `picked`
};

/// Reference size the layouts are drawn for.
inline constexpr int kReferenceWidth = 1280;
inline constexpr int kReferenceHeight = 720;

/// Maps a scale factor to the DPI number: below 1 gives 77, below 1.25 gives 96, below
/// 1.5 gives 120, below 2 gives 144, below 3 gives 192, and 3 or more falls back to 96.
int DpiForScale(float scale);

/// Picks the scale for a primary screen of `primaryWidth` x `primaryHeight` at the origin
/// and the monitors in `monitors`. Only monitors with a non-zero left or top edge count
/// (the one at the origin is the primary, already represented); they are ordered by left,
/// then top edge. The widest rectangle wins, the primary first, and a later one replaces
/// the pick only when strictly wider. Pure: logs nothing and keeps no state.
DisplayScale SelectDisplayScale(int primaryWidth, int primaryHeight,
                                std::span<const ScreenRect> monitors);

/// Gathers the screens from the running QGuiApplication, logs "m_MainScreen (...)",
/// "m_VirtualScreen (...)" and "screen size W x H" (the picked rectangle's right and
/// bottom edges), and returns SelectDisplayScale over them. Coordinates are moved so the
/// primary screen sits at the origin; sizes are Qt's logical pixels,
/// the space the windows are laid out in. Without a QGuiApplication or a primary screen,
/// returns the reference scale (DPI 96) and logs nothing.
DisplayScale SelectDisplayScaleFromScreens();

}  // namespace qb
