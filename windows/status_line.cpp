#include "windows/status_line.h"

#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPauseAnimation>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QTimer>
#include <algorithm>

#include "shell/log.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"

namespace qb::windows {
namespace {

constexpr int kFadeMs = 800;
constexpr int kGapPx = 8;
const QString kJoin = QStringLiteral("  \u00B7  ");

}  // namespace

StatusLine::StatusLine(QLabel* label, std::vector<QWidget*> rightNeighbours, int holdMs)
    : QObject(label), m_label(label), m_neighbours(std::move(rightNeighbours)) {
  if (!m_label) return;
  // A confirmation never takes a click meant for what lies under it.
  m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_label->hide();
  m_opacity = new QGraphicsOpacityEffect(m_label);
  m_label->setGraphicsEffect(m_opacity);
  m_fade = new QSequentialAnimationGroup(this);
  m_fade->addPause(std::max(0, holdMs));
  auto* fade = new QPropertyAnimation(m_opacity, "opacity", m_fade);
  fade->setDuration(kFadeMs);
  fade->setStartValue(1.0);
  fade->setEndValue(0.0);
  m_fade->addAnimation(fade);
  connect(m_fade, &QSequentialAnimationGroup::finished, this, [this] { Faded(); });
}

StatusLine::~StatusLine() = default;

void StatusLine::Show(const QString& text) {
  const QString shown = ui::Tr(text);
  LogPrintA("status: %s\n", shown.toUtf8().constData());
  m_text = m_sameAction && !m_text.isEmpty() ? m_text + kJoin + shown : shown;
  if (!m_sameAction) {
    m_sameAction = true;
    QTimer::singleShot(0, this, [this] { m_sameAction = false; });
  }
  if (!m_label) return;
  m_fade->stop();
  m_opacity->setOpacity(1.0);
  m_label->setToolTip(m_text);
  m_label->show();
  m_label->raise();
  Fit();
  m_fade->start();
}

void StatusLine::Fit() {
  // From where the layout put it up to the first button to its right that shows.
  int right = m_label->parentWidget() ? m_label->parentWidget()->width() : m_label->geometry().right();
  for (const QWidget* neighbour : m_neighbours) {
    if (neighbour && neighbour->isVisibleTo(m_label->parentWidget()) && neighbour->x() > m_label->x())
      right = std::min(right, neighbour->x() - kGapPx);
  }
  const int width = std::max(0, right - m_label->x());
  m_label->resize(width, m_label->height());
  ui::SetControlText(m_label, QFontMetrics(m_label->font()).elidedText(m_text, Qt::ElideMiddle, width));
}

void StatusLine::Faded() {
  m_text.clear();
  if (m_label) m_label->hide();
}

}  // namespace qb::windows
