#pragma once
/// The Options menu's equaliser exchange: a filter text file imported into the current
/// output (what cannot be used is listed and the user decides on the rest) and the current
/// output's bands exported as such a file.

#include <QString>

namespace qb {

class EqualizerManager;
class PresenterHost;

namespace windows {

/// Imports the filter text at `path` into the current output, after asking when some of
/// its filters cannot be used; tells the user when nothing can, and on the status line what
/// was imported.
void ImportFilterText(EqualizerManager& core, PresenterHost& host, const QString& path);
/// Writes the current output's bands to `path`; tells the user when it cannot, and on the
/// status line that it did.
void ExportFilterText(EqualizerManager& core, PresenterHost& host, const QString& path);

}  // namespace windows
}  // namespace qb
