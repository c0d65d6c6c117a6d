#pragma once
// The one block of choices an installation is carried out from. It is built by its caller
// (the silent command line or the wizard's ready page) immediately before DoInstall.
#include <windows.h>

#include <array>
#include <string>

constexpr int kAssocSelectionSize = 64;  // one entry per file-type row; the last one is never read

struct InstallRequest {
    std::wstring targetFolder;           // at most 259 characters are supported
    int startMenuGroup = 0;              // flags: any nonzero value means yes
    int desktopShortcut = 0;
    int thumbnailsShortcut = 0;
    int allUsers = 0;
    std::wstring iniFolder;              // may hold %NAME% references; stored unexpanded
    std::array<int, kAssocSelectionSize> assocSelection{};
    int associate = 0;
    int silent = 0;
    int closeViewer = 0;                 // nonzero: ask a running viewer to close, start it again after
    int unsafeFolder = 0;                // 1: a program folder others may replace is accepted (noted only)
    std::wstring caption = L"Lumiscope 64-bit Setup";
    HWND owner = nullptr;                // owns the boxes in wizard mode; none: the active window
};

// Product facts that several subsystems show or write.
constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 70;
constexpr wchar_t kSetupTitle[] = L"Lumiscope 64-bit Setup";
constexpr wchar_t kViewerWindowClass[] = L"Lumiscope";
constexpr wchar_t kViewerExe[] = L"lu_scp64.exe";
constexpr wchar_t kInstallLogName[] = L"Lumiscope_Install.log";
constexpr wchar_t kAppDataIniFolder[] = L"%APPDATA%\\Lumiscope";
