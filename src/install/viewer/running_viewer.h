#pragma once
// The running viewer: found in every session, asked to close in the caller's, started again
// for the desktop's user. Nothing here ever ends a process; a viewer closes by itself or stays.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win/processes.h"

namespace viewer {

// Where the viewer runs from: the program folder and the files the installation has or makes
// there (the payload's entries, the record's files). An empty folder: only windows count.
struct Place {
    std::wstring folder;
    std::vector<std::wstring> names;
};

// Tells the step log or the uninstaller's log what was done.
using Note = std::function<void(const std::wstring&)>;

// The first process in any session whose image is the viewer's (IsViewerImage); id 0 when none.
win::RunningProgram FindRunning(const Place& place);

// Asks every viewer to close, the way a graceful end of the session does: each top-level
// window of class "Lumiscope" and each visible one of a viewer process gets the session-end query
// (WM_QUERYENDSESSION with ENDSESSION_CLOSEAPP); when all agree, the end (WM_ENDSESSION) and
// WM_CLOSE, and the viewers are given until `timeoutMs` after the first question to end.
// False, and nobody is asked to close, when a viewer runs in another session or has no window
// to ask; false when one refuses (the others are told that nothing ends) or has not closed in
// time. `reopen` gets, for each viewer that closed, the file it had open (empty: none).
bool CloseRunning(const Place& place, DWORD timeoutMs, const Note& note, std::vector<std::wstring>& reopen);

// Starts the folder's viewer once for each entry of `reopen` (with that file) through the
// desktop shell, so with the desktop user's rights, never the caller's.
void StartAgain(const std::wstring& folder, const std::vector<std::wstring>& reopen, const Note& note);

}  // namespace viewer
