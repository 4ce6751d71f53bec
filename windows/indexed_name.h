#pragma once
/// Names of numbered controls and texts from their pattern: Indexed("ch_%1", 3) is "ch_3".

#include <QString>

namespace qb::windows {

inline QString Indexed(const char* pattern, int first) { return QString::fromLatin1(pattern).arg(first); }
inline QString Indexed(const char* pattern, int first, int second) {
  return QString::fromLatin1(pattern).arg(first).arg(second);
}

}  // namespace qb::windows
