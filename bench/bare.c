/* A windowed program that does nothing: the floor under every timed run. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    (void)instance, (void)previous, (void)commandLine, (void)show;
    return 0;
}
