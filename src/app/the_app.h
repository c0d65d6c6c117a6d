#pragma once
#include <windows.h>

// Process exit codes, for administrators who deploy silently (see the README).
enum ExitCode : int {
    kExitInstalled = 0,
    kExitViewerRunning = 1,
    kExitInvalidFolder = 2,
    kExitFolderNotCreated = 3,
    kExitPayloadFailed = 4,
    kExitWizardNotInstalled = 5,
};

class TheApp {
public:
    static TheApp& Instance();
    // Runs the whole program; always false, so that no message loop follows.
    bool InitInstance();
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode = kExitWizardNotInstalled;
};
