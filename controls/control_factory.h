#pragma once
/// The program's own control classes, created by class name for a window's layout:
/// "CircleProgress", "SButton", "Curve" and "CurveAc".

#include <QString>

class QWidget;

namespace qb {

/// A new control of that class under `parent`, or null when the class is not one of ours
/// (the toolkit then makes its own).
QWidget* CreateProgramControl(const QString& className, QWidget* parent);

}  // namespace qb
