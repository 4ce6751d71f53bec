#pragma once
/// The file dialogs of the scene menu: which file to read a profile from or write it to,
/// with the filters of the UI language and the default extension of each kind.

#include <QString>

class QFileDialog;
class QWidget;

namespace qb::windows {

/// Profiles of the scene menu, and equaliser filter texts and measurements (or house curves)
/// of the Options menu.
enum class ProfileKind { Scene, Whole, FilterText, Measurement };
enum class ProfileDialog { Open, Save };

/// The dialog's filter: "Scene Profile(*.spf)", "Whole Config Profile(*.wpf)", "Filter
/// Text(*.txt)" or the measurement files (text exports, .frd, .csv) and "All Files(*.*)", in
/// Chinese when the UI language is Chinese.
QString ProfileFilter(ProfileKind kind, bool chinese);
/// "spf", "wpf" or "txt".
QString ProfileExtension(ProfileKind kind);

inline constexpr int kFileDialogWidth = 820;
inline constexpr int kFileDialogHeight = 480;

/// Every file dialog of the program: Qt's own (styled like the rest), wide enough for its
/// columns, the size, type and date columns as wide as their texts.
void PrepareFileDialog(QFileDialog& dialog);

/// Asks for a path with the platform's (Qt's) file dialog starting in the current folder;
/// an empty text when the user cancelled. A save dialog appends the kind's extension to a
/// name typed without one.
QString AskProfilePath(QWidget* owner, ProfileKind kind, ProfileDialog dialog);

}  // namespace qb::windows
