#pragma once
#include "fx/app.h"

// Process exit codes, for administrators who deploy silently (documented in the README).
enum ExitCode : int {
    kExitInstalled = 0,
    kExitViewerRunning = 1,
    kExitInvalidFolder = 2,
    kExitFolderNotCreated = 3,
    kExitPayloadFailed = 4,
    kExitWizardNotInstalled = 5,
    kExitAnotherRun = 6,  // another setup or uninstaller of the product is running: nothing changed
    kExitNewerInstalled = 7,  // a later version is installed: nothing changed
    kExitNoDesktop = 8,  // no /silent, and no visible desktop for the wizard: nothing changed
    kExitInternalFault = 9,  // out of memory, or a check of the C++ library failed
    kExitHelpShown = 10,  // "/?" or "/help": the options were shown, nothing installed
    kExitLogRefused = 11,  // an interrupted run's log names places not the product's: nothing changed
    kExitInvalidScope = 13,  // "/scope=" with a value other than "machine" or "user": nothing changed
    kExitUserScopeElevated = 14,  // a per-user run with administrator rights its desktop lacks: nothing changed
    kExitElevationRequired = 740,  // no administrator rights (the system's ERROR_ELEVATION_REQUIRED)
};

class TheApp : public CWinApp {
public:
    TheApp() { m_exitCode = kExitWizardNotInstalled; }
    ~TheApp() override = default;
    // Runs the whole program; always false, so that no message loop follows.
    BOOL InitInstance() override;
};
