#pragma once
// The uninstallation itself: find the record beside the uninstaller's file `self`, ask (or
// not, with /silent), undo, log every step into `logPath`, tell the result. Returns the exit
// code.
#include <string>

#include "uninstall/uninstall_options.h"

int RunUninstall(const undo::UninstallOptions& options, const std::wstring& self, const std::wstring& logPath);

// Nothing is done, the log and (unless silent) a box say why (no administrator rights, another
// setup or uninstaller holds the installation lock, ...). Returns `code`.
int RefuseRun(const undo::UninstallOptions& options, const std::wstring& logPath, int code, const wchar_t* text);
// Without /silent where no desktop is visible: the dialog would wait for ever, so the run ends
// (exit code 8, a log line); -1 when it may go on.
int RefuseWithoutDesktop(const undo::UninstallOptions& options, const std::wstring& logPath);

// Completes or takes back an installation that an earlier run left unfinished, into the log;
// false when its log names places not the product's (nothing was done then).
bool RepairEarlierRun(const std::wstring& logPath);

// The log's full path: the given one made absolute, else the default in the temp folder;
// empty (no log) when the desktop's user could not write in that folder himself.
std::wstring LogPathFor(const std::wstring& given);
// The log's line for a place of the user's that was left alone because he could not write there.
std::wstring SkippedPlaceLine(const std::wstring& place);

// The run's one entry in the Application log (exit code, its meaning, the log); a log that
// cannot be written changes nothing.
void ReportToEventLog(int code, bool perUser, const std::wstring& logPath);
