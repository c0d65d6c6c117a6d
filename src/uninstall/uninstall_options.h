#pragma once
// The uninstaller's command line. Options are found like the setup's: exact and case-sensitive,
// anywhere after the program's own name; a value runs up to the next "/" or the end and loses
// surrounding blanks and quotes (so paths are written with backslashes).
//   /silent      no window, no box
//   /purge       the settings files the product created go too
//   /log=PATH    the log (default: "Lumiscope_Uninstall.log" in the temp folder)
//   /origin=PATH only on the command line of the uninstaller's temporary copy: the uninstaller
//                the caller started, whose folder is the program folder
#include <string>

namespace undo {

struct UninstallOptions {
    bool silent = false;
    bool purge = false;
    std::wstring logPath;
    std::wstring origin;
};

UninstallOptions ParseUninstallOptions(const std::wstring& commandLine);

// The command line that starts the copy at `copyPath` with the same options (the log path as
// given, the origin set).
std::wstring CopyCommandLine(const std::wstring& copyPath, const UninstallOptions& options);

}  // namespace undo
