#include "app/the_app.h"

// The program never runs a message loop of its own: start-up does all the work and the
// process ends with the code it chose.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    TheApp& app = TheApp::Instance();
    app.InitInstance();
    return app.ExitCode();
}
