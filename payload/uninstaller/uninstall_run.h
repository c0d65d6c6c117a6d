#pragma once
// The uninstallation itself: find the record beside the uninstaller the caller started, ask
// (or not, with /silent), undo, log every step, tell the result. Returns the exit code.
#include <string>

#include "uninstall/uninstall_options.h"

int RunUninstall(const undo::UninstallOptions& options);

// The log's full path: the given one made absolute, else the default in the temp folder.
std::wstring LogPathFor(const std::wstring& given);

// The full path of this program's file.
std::wstring ModulePath();
