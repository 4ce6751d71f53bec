#pragma once
/// Language texts used as formats: "${load_scene_tips1}" reads "Load scene %d "%s"?" and is
/// filled with the number and the name, in order. Only %d and %s are known; a text with
/// fewer placeholders than values keeps the rest unused, one with more keeps them as written.

#include <QString>
#include <QStringList>

namespace qb::windows {

QString FillPlaceholders(QString format, const QStringList& values);

}  // namespace qb::windows
