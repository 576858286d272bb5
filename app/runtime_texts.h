#pragma once
// The Czech runtime texts: error texts by code, message box button captions,
// month names, the morning and afternoon marks, and the locale, character
// set and collation names. Installed once, just before the main window
// opens, for the rest of the process.

namespace dbprobe::app {

void InstallRuntimeTexts();

}  // namespace dbprobe::app
