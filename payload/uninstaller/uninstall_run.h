#pragma once
// The uninstallation itself: find the record beside the uninstaller's file `self`, ask (or
// not, with /silent), undo, log every step into `logPath`, tell the result. Returns the exit
// code.
#include <string>

#include "uninstall/uninstall_options.h"

int RunUninstall(const undo::UninstallOptions& options, const std::wstring& self, const std::wstring& logPath);

// Another setup or uninstaller holds the installation lock: nothing is done, the log and (unless
// silent) a box say so. Returns exit code 6.
int RefuseAnotherRun(const undo::UninstallOptions& options, const std::wstring& logPath);

// Completes or takes back an installation that an earlier run left unfinished, into the log.
void RepairEarlierRun(const std::wstring& logPath);

// The log's full path: the given one made absolute, else the default in the temp folder.
std::wstring LogPathFor(const std::wstring& given);

// The full path of this program's file.
std::wstring ModulePath();
