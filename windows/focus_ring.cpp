#include "windows/focus_ring.h"

#include <QStringList>

#include "core/profile.h"

namespace qb {
namespace {

QStringList RingOf(int bandCount) {
  QStringList ring;
  for (int o = 0; o < kOutputCount; ++o) ring << QStringLiteral("edit_ch_volume_%1").arg(o);
  for (int o = 0; o < kOutputCount; ++o) ring << QStringLiteral("edit_ch_delay_%1").arg(o);
  ring << QStringLiteral("hp_freq") << QStringLiteral("lp_freq") << QStringLiteral("edit_main_volume");
  for (const char* row : {"eq_freq_%1", "eq_q_%1", "eq_gain_%1"})
    for (int b = 0; b < bandCount; ++b) ring << QString::fromLatin1(row).arg(b);
  return ring;
}

}  // namespace

QString NextFocusField(const QString& from, bool forward, const FocusRingContext& context) {
  const int n = std::max(context.bandCount, 0);
  const auto enabled = [&](const QString& name) { return !context.isEnabled || context.isEnabled(name); };
  // The two exceptions: leaving the main volume forward lands on band 0's frequency, or on
  // its gain when frequencies are locked (graphic mode); leaving band 0's gain backward
  // lands on the last Q, or on the main volume when Q values are locked.
  if (forward && from == u"edit_main_volume" && n > 0)
    return enabled(QStringLiteral("eq_freq_0")) ? QStringLiteral("eq_freq_0") : QStringLiteral("eq_gain_0");
  if (!forward && from == u"eq_gain_0" && n > 0) {
    const QString lastQ = QStringLiteral("eq_q_%1").arg(n - 1);
    return enabled(lastQ) ? lastQ : QStringLiteral("edit_main_volume");
  }
  const QStringList ring = RingOf(n);
  const int at = int(ring.indexOf(from));
  if (at < 0) return {};
  const int size = int(ring.size());
  return ring[(at + (forward ? 1 : size - 1)) % size];
}

}  // namespace qb
