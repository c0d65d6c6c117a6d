#pragma once
// Shortcuts, the application's registry entries, the uninstall entry and the file types.
#include <array>
#include <string>
#include <vector>

#include "install/request/install_request.h"
#include "install/registry/registry_ops.h"

// The entry in the Windows list of installed programs (HKLM).
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";

// Returns 1 in every case: no registry or shortcut failure stops an installation.
// `targetFolder` is exactly what the caller was given (it is trimmed here).
int RegisterViewer(int associate, const std::wstring& targetFolder, int startMenuGroup, int desktopShortcut,
                   int thumbnailsShortcut, int allUsers, const std::array<int, kAssocSelectionSize>& assocSelection);

// The paths every entry is made of, derived from the target folder as the caller gave it.
struct InstallPaths {
    std::wstring installFolder;  // blank-trimmed, with a trailing backslash
    std::wstring viewerPath;     // installFolder + "lu_scp64.exe"
    std::wstring openCommand;    // "<viewerPath>" "%1", both quoted
};
InstallPaths MakeInstallPaths(const std::wstring& targetFolder);

// The folder and drive verb that opens the thumbnail view (only with the thumbnails choice).
std::vector<reg::Write> BrowseVerbWrites(const InstallPaths& paths);
// The application's ProgID and its "Applications" entry.
std::vector<reg::Write> ApplicationWrites(const InstallPaths& paths);
// The entry in the Windows list of installed programs.
std::vector<reg::Write> UninstallWrites(const InstallPaths& paths);
// The event source both programs write their Application log entry under.
std::vector<reg::Write> EventSourceWrites(const InstallPaths& paths);
// The application's own key, its capabilities and its registration.
std::vector<reg::Write> CapabilityWrites(const InstallPaths& paths);

// Everything an installation writes to the registry, in the order of writing. `versionClass`
// matters only with `associate` (the NoOpenWith entries of Windows 10).
std::vector<reg::Write> RegistrationWrites(int associate, const std::wstring& targetFolder, int thumbnailsShortcut,
                                           const std::array<int, kAssocSelectionSize>& assocSelection,
                                           int versionClass);
