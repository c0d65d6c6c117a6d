#pragma once
// The uninstaller's command line. Options are found like the setup's: exact and case-sensitive,
// anywhere after the program's own name; a value runs up to the next "/" or the end and loses
// surrounding blanks and quotes (so paths are written with backslashes).
//   /silent      no window, no box
//   /purge       the settings files the product created go too
//   /log=PATH    the log (default: "Lumiscope_Uninstall.log" in the temp folder)
//   /closeviewer=1  a running viewer is asked to close first (and not started again)
#include <string>

namespace undo {

struct UninstallOptions {
    bool silent = false;
    bool purge = false;
    bool closeViewer = false;
    std::wstring logPath;
};

UninstallOptions ParseUninstallOptions(const std::wstring& commandLine);

}  // namespace undo
