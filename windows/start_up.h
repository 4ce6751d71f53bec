#pragma once
/// What start-up does before the main window exists: the language tables (the stored
/// choice selected), and the single-instance check, which must come before the log file is
/// opened or any window is shown: a second copy must neither truncate the first one's log
/// nor flash a half-built window.

namespace qb {

class SingleInstance;

/// Loads the English and Chinese tables and selects the language stored under "lan"; a
/// value without a table leaves Chinese, the last loaded.
void LoadProgramLanguages();

/// Takes the single-instance lock. When another copy holds it, tells the user so
/// ("${mutex_tips}") and returns false: the caller ends at once.
bool ClaimSingleInstance(SingleInstance& lock);

}  // namespace qb
