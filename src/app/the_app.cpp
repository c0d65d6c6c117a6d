#include "app/the_app.h"

#include <commctrl.h>

#include "app/command_line.h"
#include "install/do_install.h"
#include "install/folders.h"
#include "install/install_log.h"
#include "resources/resource_ids.h"
#include "win/text.h"
#include "wizard/run_wizard.h"

TheApp theApp;

namespace {

constexpr DWORD kAllCommonControlClasses = 0xFF;
constexpr size_t kWarningChars = 259;

// Libraries are then looked for in the system folder only, never beside the setup (which
// may sit in a downloads folder among planted DLLs). Systems without the call keep theirs.
void HardenDllSearchPath() {
    std::wstring kernel32 = win::SystemFilePath(L"kernel32.dll");
    HMODULE module = kernel32.empty() ? nullptr : ::GetModuleHandleW(kernel32.c_str());
    if (!module) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "SetDefaultDllDirectories")));
    if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void InitAllCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), kAllCommonControlClasses};
    ::InitCommonControlsEx(&controls);
}

int ExitCodeFor(InstallStatus status) {
    switch (status) {
        case InstallStatus::Done: return kExitInstalled;
        case InstallStatus::InvalidFolder: return kExitInvalidFolder;
        case InstallStatus::FolderNotCreated: return kExitFolderNotCreated;
        case InstallStatus::PayloadFailed: return kExitPayloadFailed;
    }
    return kExitPayloadFailed;
}

// Installs at once with the options of the command line; shows nothing whatever happens.
int RunSilent(const std::wstring& commandLine) {
    if (::FindWindowW(kViewerWindowClass, nullptr)) {
        AppendInstallLog(win::Left(win::LoadStringText(IDS_VIEWER_RUNNING), kWarningChars));
        return kExitViewerRunning;
    }
    // An installed viewer keeps its folder and its settings; a first installation puts the
    // settings into the user's application data.
    std::wstring targetFolder;
    std::wstring iniFolder;
    if (!GetRegisteredViewerFolder(targetFolder)) {
        targetFolder = GetDefaultInstallFolder();
        iniFolder = kAppDataIniFolder;
    }
    InstallRequest request = ParseSilentCommandLine(commandLine, targetFolder, iniFolder);
    return ExitCodeFor(RunInstall(request));
}

}  // namespace

BOOL TheApp::InitInstance() {
    HardenDllSearchPath();
    InitAllCommonControls();
    const std::wstring commandLine = ::GetCommandLineW();
    if (IsSilentCommandLine(commandLine))
        m_exitCode = RunSilent(commandLine);
    else
        m_exitCode = RunWizard() ? kExitInstalled : kExitWizardNotInstalled;
    return FALSE;
}
