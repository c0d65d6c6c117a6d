// Stand-in for the viewer's uninstaller: the setup only names it in a start-menu link and in
// the uninstall entry, so for now it does nothing and reports success.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
