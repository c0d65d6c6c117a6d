#pragma once
// The places that the user's own registry and environment name (his desktop and start menu, a
// settings folder named through %APPDATA% or another variable): an elevated installation uses
// them only where the desktop's user could write himself (win/desktop_user.h). A place he
// could not write is skipped, and the step log says so.
#include <windows.h>

#include <string>

#include "win/folder_handle.h"

// Whether a per-user run must end before it reads anything of the user's: it has administrator
// rights that the desktop's user does not have, and the user's log, his record and its proof,
// which his programs may write, would steer what it changes with them. The environment
// variable LUMISCOPE_TEST_ELEVATED_ABOVE_DESKTOP=1 says so where the system cannot (every Wine
// process has the same token); it can only make a run refuse.
bool UserRunAboveItsUser();

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
