#pragma once
/// Texts the update windows show with a number in them.

#include <QString>

namespace qb::windows {

/// A language text with one "%d" filled with `percent` and "%%" shown as one percent sign:
/// "${update_progress_mcu}" at 37 reads "Updating MCU firmware: 37%".
QString ProgressText(const QString& format, int percent);

/// What the forced update says when the firmware it carries cannot be written out: the
/// code line "File prepare error. error code N" (N: the MCU image's code 1..6, the flash
/// image's 7..12), then in words what it means and what to do, the temporary folder
/// `tempDir` named where writing it failed.
QString PrepareErrorText(int code, const QString& tempDir);

}  // namespace qb::windows
