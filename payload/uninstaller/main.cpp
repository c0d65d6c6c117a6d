// The uninstaller: takes away what the setup recorded in the program folder it lies in.
#include <windows.h>

#include "fx/common_controls.h"
#include "in_place.h"
#include "win/hardening.h"
#include "win/process_com.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    win::HardenDllSearchPath();
    const win::ProcessCom com;  // before anything else may use COM
    const undo::UninstallOptions options = undo::ParseUninstallOptions(::GetCommandLineW());
    // A recorded path on a drive that is gone must not bring up the system's "insert a disk"
    // box; a silent run shows no crash box either, which would keep a deployment tool waiting.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | (options.silent ? SEM_NOGPFAULTERRORBOX : 0));
    if (!options.silent) fx::LoadCommonControls();
    return RunInPlace(options);
}
