#include "controls/control_factory.h"

#include <QWidget>

#include "controls/circle_progress.h"
#include "controls/equalizer_curve.h"
#include "controls/equalizer_curve_ac.h"
#include "controls/sbutton.h"

namespace qb {

QWidget* CreateProgramControl(const QString& className, QWidget* parent) {
  if (className == u"CircleProgress") return new controls::CircleProgress(parent);
  if (className == u"SButton") return new controls::SButton(parent);
  if (className == u"Curve") return new controls::EqualizerCurve(parent);
  if (className == u"CurveAc") return new controls::EqualizerCurveAc(parent);
  return nullptr;
}

}  // namespace qb
