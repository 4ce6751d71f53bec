#include "windows/measurement_view.h"

#include <utility>
#include <vector>

#include "controls/curve_legend.h"
#include "controls/equalizer_curve.h"
#include "core/equalizer_manager.h"
#include "core/measurement_text.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/window_base.h"

namespace qb::windows {
namespace {

using controls::OverlayCurve;
using controls::OverlayLine;

// Apart from the outputs' own colours: the measurement a quiet grey, its prediction bright.
constexpr unsigned kMeasuredColour = 0xFFA7B1BCu;
constexpr unsigned kPredictedColour = 0xFFC6FF3Cu;
constexpr unsigned kTargetColour = 0xFFFF4DF0u;

/// What the output's drawing depends on: its settings, and which output is current.
constexpr std::uint32_t kRedrawAspects = kAspectBands | kAspectBypass | kAspectCrossover | kAspectCurrentOutput |
                                         kAspectLinkLock | kAspectSynchronize;

struct BoxLook {
  const char* name;
  const char* text;
  unsigned colour;
  OverlayLine line;
};

constexpr std::array<BoxLook, 3> kLooks{{
    {"curve_show_measured", "${irc_show_measured}", kMeasuredColour, OverlayLine::Solid},
    {"curve_show_predicted", "${irc_show_predicted}", kPredictedColour, OverlayLine::Dashed},
    {"curve_show_target", "${irc_show_target}", kTargetColour, OverlayLine::Dotted},
}};

std::size_t Index(MeasurementView::Shown which) { return static_cast<std::size_t>(which); }

/// `curve` moved by `shiftDb`, in the look of `which`.
OverlayCurve Overlay(const GridCurve& curve, double shiftDb, MeasurementView::Shown which) {
  OverlayCurve overlay;
  overlay.first = curve.first;
  overlay.count = curve.count;
  for (std::size_t k = curve.first; k < curve.first + curve.count && k < kCurveSize; ++k)
    overlay.db[k] = curve.db[k] + shiftDb;
  overlay.argb = kLooks[Index(which)].colour;
  overlay.line = kLooks[Index(which)].line;
  return overlay;
}

}  // namespace

MeasurementView::MeasurementView(EqualizerManager& core, ui::WindowBase& window, QWidget* curve)
    : m_core(core), m_curve(qobject_cast<controls::EqualizerCurve*>(curve)) {
  if (m_curve) {
    m_legend = new controls::CurveLegend(m_curve);
    for (const Shown which : {Shown::Measured, Shown::Predicted, Shown::Target}) BindBox(window, which);
  }
  m_core.Changes().Subscribe(this);
  Redraw();
}

MeasurementView::~MeasurementView() { m_core.Changes().Unsubscribe(this); }

void MeasurementView::BindBox(ui::WindowBase& window, Shown which) {
  const BoxLook& look = kLooks[Index(which)];
  ui::CheckBox* box =
      m_legend->AddEntry(QString::fromLatin1(look.name), QString::fromLatin1(look.text), look.colour, look.line);
  m_boxes[Index(which)] = box;
  // The box shows what the view holds, not the other way round.
  window.Bind(box, ui::Event::Click, [this, which, box] {
    bool& shown = m_shown[Index(which)];
    shown = !shown;
    box->SetChecked(shown, false);
    Redraw();
  });
}

std::string MeasurementView::Import(const std::string& path) {
  const Profile& live = m_core.CurrentProfile();
  const int output = live.currChannel;
  if (!IsOutput(output)) return "there is no current output";
  MeasurementRead read = ReadMeasurementFile(path);
  LogPrintA("import measurement %s for channel %d: %s\n", path.c_str(), output,
            read.error ? MeasurementErrorText(*read.error).c_str() : "ok");
  if (read.error) return MeasurementErrorText(*read.error);
  m_measurements[At(output)] = MeasurementOf(live, output, std::move(read.response));
  m_preview.reset();
  Redraw();
  return {};
}

const OutputMeasurement* MeasurementView::Of(int output) const {
  if (!IsOutput(output) || !m_measurements[At(output)]) return nullptr;
  return &*m_measurements[At(output)];
}

void MeasurementView::ShowPreview(const EqFitCurves& curves, double levelDb) {
  m_preview = Preview{curves, levelDb};
  Redraw();
}

void MeasurementView::EndPreview() {
  if (!m_preview) return;
  m_preview.reset();
  Redraw();
}

void MeasurementView::MirrorChanged(const Change& change) {
  if (change.Has(kRedrawAspects)) Redraw();
}

void MeasurementView::Redraw() {
  if (!m_curve) return;
  const Profile& live = m_core.CurrentProfile();
  const OutputMeasurement* measurement = Of(live.currChannel);
  std::vector<OverlayCurve> curves;
  if (measurement) {
    const double shift = -measurement->referenceDb;
    const auto shown = [this](Shown which) { return m_shown[Index(which)]; };
    if (shown(Shown::Measured)) curves.push_back(Overlay(measurement->measured, shift, Shown::Measured));
    if (m_preview && shown(Shown::Target))
      curves.push_back(Overlay(m_preview->curves.target, shift - m_preview->levelDb, Shown::Target));
    if (shown(Shown::Predicted)) {
      const GridCurve predicted = m_preview ? m_preview->curves.predicted : LiveCurveOf(live, *measurement);
      curves.push_back(Overlay(predicted, shift, Shown::Predicted));
    }
  }
  m_legend->SetEntryShown(m_boxes[Index(Shown::Measured)], measurement != nullptr);
  m_legend->SetEntryShown(m_boxes[Index(Shown::Predicted)], measurement != nullptr);
  m_legend->SetEntryShown(m_boxes[Index(Shown::Target)], measurement != nullptr && m_preview.has_value());
  m_curve->SetOverlayCurves(std::move(curves));
}

}  // namespace qb::windows
