// Cost of one step of a band drag on the equaliser curve: the pointer move is handled and
// the control repainted with all eight output curves of 512 points shown. The image stands
// in for the window's back buffer on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <cmath>
#include <vector>

#include "controls/equalizer_curve.h"
#include "dspmath/curve_grid.h"
#include "ui/window_base.h"

namespace {

using qb::controls::ChannelCurveSource;
using qb::controls::CurveBand;
using qb::controls::EqualizerCurve;

QApplication& App() {
  static int argc = 1;
  static char name[] = "curve_drag_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

/// Answers every curve notification the way the controller does: reads the bands back and
/// pushes bands, crossover handles and curves in again (the curves themselves unchanged, so
/// only the control's share of the work is measured).
class OwnerWindow : public qb::ui::WindowBase {
 public:
  QString ClassName() const override { return QStringLiteral("BenchWindow"); }
  QString LayoutId() const override { return QStringLiteral("bench"); }
  EqualizerCurve* curve = nullptr;
  std::vector<ChannelCurveSource> sources;
  bool resync = false;

 protected:
  void Notify(qb::ui::Notification& n) override {
    if (!resync || !curve) return;
    std::vector<CurveBand> bands;
    for (int i = 0; i < curve->BandCount(); ++i) bands.push_back(curve->Band(i));
    const int current = n.SenderIndex();
    curve->SetEqBands(bands, current);
    curve->setCurEqHpLp(curve->HpFreq(), curve->LpFreq());
    curve->SetChannelCurves(sources, 0);
  }
};

struct Fixture {
  OwnerWindow window;
  EqualizerCurve* curve = nullptr;
  std::vector<qb::Curve> decibels;
  QImage image;

  Fixture() {
    curve = new EqualizerCurve(&window);
    window.curve = curve;
    curve->setGeometry(0, 0, 900, 330);
    curve->SetScalePercent(100);
    curve->SetDragAllDirection(true);
    curve->SetAttribute("curvecolor",
                        "#FFEF0000 #FFEF7030 #FFEFEF27 #FFA7EF3A #FF009E9E #FF0000D3 #FF7600EF "
                        "#FFE00068");
    std::vector<CurveBand> bands;
    for (int i = 0; i < 31; ++i) {
      const double hz = 20.0 * std::pow(1000.0, (i + 0.5) / 31.0);
      bands.push_back({static_cast<float>((i % 7) - 3), 1.41f, static_cast<int>(hz), 1});
    }
    curve->SetEqBands(bands, -1);
    curve->setCurEqHpLp(80, 8000);
    const qb::Curve& grid = qb::StandardCurveGrid().Frequencies();
    decibels.resize(8);
    for (std::size_t c = 0; c < 8; ++c) {
      for (std::size_t k = 0; k < qb::kCurveSize; ++k) {
        const double ch = static_cast<double>(c);
        decibels[c][k] = 6.0 * std::sin(static_cast<double>(k) / (20.0 + 5.0 * ch)) - 2.0 * ch;
      }
      window.sources.push_back({&grid, &decibels[c], true});
    }
    curve->SetChannelCurves(window.sources, 0);
    image = QImage(curve->size(), QImage::Format_ARGB32_Premultiplied);
  }

  void Send(QEvent::Type type, QPointF p, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, p, curve->mapToGlobal(p), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(curve, &event);
  }
};

void DragStep(benchmark::State& state, bool resync) {
  App();
  Fixture f;
  f.window.resync = resync;
  const auto& label = f.curve->Layout().labels[15];
  const QPointF start((label.left + label.right) / 2, (label.top + label.bottom) / 2);
  f.Send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  int step = 0;
  for (auto _ : state) {
    // Back and forth over 40 px both ways, so every step changes frequency and gain.
    const int offset = (step % 40) - 20;
    ++step;
    f.Send(QEvent::MouseMove, start + QPointF(offset * 2, offset), Qt::NoButton, Qt::LeftButton);
    f.curve->render(&f.image);
    benchmark::DoNotOptimize(f.image.constBits());
  }
  f.Send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}

void BM_CurveDragStep(benchmark::State& state) { DragStep(state, false); }
void BM_CurveDragStepWithOwnerResync(benchmark::State& state) { DragStep(state, true); }

BENCHMARK(BM_CurveDragStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurveDragStepWithOwnerResync)->Unit(benchmark::kMillisecond);

}  // namespace
