#include "controls/control_factory.h"

#include <QWidget>

#include "controls/circle_progress.h"
#include "controls/equalizer_curve.h"
#include "controls/sbutton.h"
#include "ui/attribute_sink.h"

namespace qb {
namespace {
// The calibration display curve comes with the calibration window; until then its layouts
// get an empty area so they still build.
class EmptyCurveArea final : public QWidget, public ui::AttributeSink {
 public:
  using QWidget::QWidget;
  bool SetAttribute(const QString&, const QString&) override { return true; }
};
}  // namespace

QWidget* CreateProgramControl(const QString& className, QWidget* parent) {
  if (className == u"CircleProgress") return new controls::CircleProgress(parent);
  if (className == u"SButton") return new controls::SButton(parent);
  if (className == u"Curve") return new controls::EqualizerCurve(parent);
  if (className == u"CurveAc") return new EmptyCurveArea(parent);
  return nullptr;
}

}  // namespace qb
