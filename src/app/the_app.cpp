#include "app/the_app.h"

TheApp theApp;

BOOL TheApp::InitInstance() {
    return FALSE;
}
