#include "app/the_app.h"

TheApp& TheApp::Instance() {
    static TheApp app;
    return app;
}

bool TheApp::InitInstance() {
    return false;
}
