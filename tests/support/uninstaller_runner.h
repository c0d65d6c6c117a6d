#pragma once
// Runs an installed uninstaller as a caller would, and what the system does for it at the next
// restart. Windows and time-outs are watched for the whole family of processes, and whether the
// uninstaller started any program at all.
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

struct UninstallRun {
    DWORD exitCode = 0xFFFFFFFF;  // still running: ended by the time-out
    bool showedWindow = false;    // the uninstaller or a program it started showed a visible window
    bool startedProgram = false;  // it started another process (it must run nothing but itself)
};

// Starts `uninstaller` with `arguments` in `folder` and waits for it. With `endOnWindow`, a run
// that shows a window is ended at once (a silent run must not show any).
UninstallRun RunUninstaller(const std::wstring& uninstaller, const std::wstring& arguments, const std::wstring& folder,
                            bool endOnWindow = true);

// Starts it without waiting; the caller drives its windows. The process handle is returned.
HANDLE StartUninstaller(const std::wstring& uninstaller, const std::wstring& arguments, const std::wstring& folder);
// Waits for a started uninstaller (ending it and its copy after the time-out) and closes the handle.
DWORD FinishUninstaller(HANDLE process);
// Ends a started uninstaller and its copy at once, and closes the handle.
void EndUninstaller(HANDLE process);

// The processes started by `parent`.
std::vector<DWORD> ChildProcesses(DWORD parent);

// Does what the next restart would do for the deletions the system holds for paths below
// `folder`, and forgets them.
void CompletePendingDeletionsBelow(const std::wstring& folder);

}  // namespace testsupport
