#pragma once
// Which installation an uninstaller belongs to, from the uninstall entries rather than from
// anything in its folder: the machine's when the machine's entry names its folder (only
// administrators write there, so no file of a user can steer an elevated run elsewhere); a
// user's when only that user's entry names it; else the machine's, as before there were scopes.
#include <string>

#include "install/install_places.h"

namespace undo {

// Pure: the scope for the folders the two entries name (empty when there is none).
Scope ScopeFor(const std::wstring& programFolder, const std::wstring& machineEntryFolder,
               const std::wstring& userEntryFolder);

// The same, with the entries' InstallLocation values as the registry holds them.
Scope ScopeOfFolder(const std::wstring& programFolder);

// Whether the other scope's installation is registered (its uninstall entry exists): the
// user choices both write for the current user then stay for it.
bool IsOtherScopeInstalled();

}  // namespace undo
