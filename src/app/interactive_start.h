#pragma once
// A run without "/silent" that must not open the wizard.
#include <string>

// -1 when the wizard may open. Otherwise the exit code to end with at once: in a session
// nobody sees (kExitNoDesktop, with an install-log entry that says to use /silent), or after
// the options were shown for "/?" or "/help" (kExitHelpShown).
int RefuseInteractiveStart(const std::wstring& commandLine);
