#pragma once
/// Texts the update windows show with a number in them.

#include <QString>

namespace qb::windows {

/// A language text with one "%d" filled with `percent` and "%%" shown as one percent sign:
/// "${update_progress_mcu}" at 37 reads "Updating MCU firmware: 37%".
QString ProgressText(const QString& format, int percent);

}  // namespace qb::windows
