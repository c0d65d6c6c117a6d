#pragma once
// Shortcuts, the application's registry entries, the uninstall entry and the file types.
#include <array>
#include <string>

#include "app/install_request.h"

// Returns 1 in every case: no registry or shortcut failure stops an installation.
// `targetFolder` is exactly what the caller was given (it is trimmed here).
int RegisterViewer(int associate, const std::wstring& targetFolder, int startMenuGroup, int desktopShortcut,
                   int thumbnailsShortcut, int allUsers, const std::array<int, kAssocSelectionSize>& assocSelection);
