#pragma once
// The uninstaller works from the file the caller started, where the setup put it: a program
// that an administrator's uninstaller starts must not come from a place that others can write
// (a copy in the temporary folder could be swapped between its copying and its start), so it
// starts none. Its own file cannot go while it runs; once everything else went, that file and
// the folders the installation made around it are left to the next restart.
#include "uninstall/uninstall_options.h"

int RunInPlace(const undo::UninstallOptions& options);
