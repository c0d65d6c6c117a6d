#pragma once
// The uninstaller the caller started cannot delete its own file while it runs (Windows refuses;
// only some systems allow it). So it copies itself into a fresh private folder under the temp
// folder, runs the uninstallation from that copy with the same options and its own path, waits
// for it, removes the copy again and ends with the copy's exit code. When the copy removed
// everything but could not delete the caller's file and the program folder (the caller still
// ran), they are scheduled for deletion at the next restart.
#include "uninstall/uninstall_options.h"

int RunFromCopy(undo::UninstallOptions options);
