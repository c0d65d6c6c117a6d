#pragma once
// The uninstallation itself: find the record beside the uninstaller's file `self`, ask (or
// not, with /silent), undo, log every step into `logPath`, tell the result. Returns the exit
// code.
#include <string>

#include "uninstall/uninstall_options.h"

int RunUninstall(const undo::UninstallOptions& options, const std::wstring& self, const std::wstring& logPath);

// The log's full path: the given one made absolute, else the default in the temp folder.
std::wstring LogPathFor(const std::wstring& given);

// The full path of this program's file.
std::wstring ModulePath();
