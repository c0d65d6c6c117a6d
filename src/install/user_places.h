#pragma once
// The places that the user's own registry and environment name (his desktop and start menu, a
// settings folder named through %APPDATA% or another variable): an elevated installation uses
// them only where the desktop's user could write himself (win/desktop_user.h). A place he
// could not write is skipped, and the step log says so.
#include <windows.h>

#include <string>

#include "win/folder_handle.h"

// Whether a per-user run has administrator rights that the desktop's user does not have: the
// user's log, his record and its proof, which his programs may write, would steer what it
// changes with them, so it does nothing of its own. The environment variable
// LUMISCOPE_TEST_ELEVATED_ABOVE_DESKTOP=1 says so where the system cannot (every Wine process
// has the same token); it can only take rights from a run.
bool UserRunAboveItsUser();

// Such a run hands itself over: this program again, with the same command line, working
// folder and environment, as the desktop's user, waited for. Its exit code (`unreadable` when
// the system does not tell it); -1 when it could not be started, or when this run is already
// the one handed over (the caller refuses then, having changed nothing).
int RunAgainAsDesktopUser(int unreadable);
// Whether this run is one handed over so, for its log.
bool IsHandedOverRun();

// True for a settings folder given through an environment variable ("%APPDATA%\Lumiscope"): the
// user's own environment decides where it leads.
bool NamesUserPlace(const std::wstring& folderText);

// Whether the desktop's user may do `wanted` in the open folder; a refusal is logged in `phase`.
bool UserMayWriteIn(const win::Folder& folder, ACCESS_MASK wanted, const wchar_t* phase);

// Whether the desktop's user could make `folder` himself, with files in it: asked of the folder
// when it exists (adding files), else of its nearest existing level (adding folders). A level
// that cannot be opened as a checked folder (a link, no access) refuses it too. A refusal is
// logged in `phase`.
bool UserCouldMake(const std::wstring& folder, const wchar_t* phase);
