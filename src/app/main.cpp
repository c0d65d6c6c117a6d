#include "fx/app.h"

// The program never runs a message loop of its own: start-up does all the work and the
// process ends with the exit code it chose.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    CWinApp* app = CWinApp::GetApp();
    if (!app) return 1;
    app->InitInstance();
    return app->m_exitCode;
}
