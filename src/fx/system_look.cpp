#include "fx/system_look.h"

#include "win/platform.h"

namespace fx {
namespace {

int g_highContrastOverride = -1;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Windows 10 1607 and later; looked up so that older systems still start the program.
GetDpiForWindowFn LookUpGetDpiForWindow() {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
}

}  // namespace

bool IsHighContrast() {
    if (g_highContrastOverride >= 0) return g_highContrastOverride != 0;
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void SetHighContrastForTesting(int state) { g_highContrastOverride = state; }

int WindowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = LookUpGetDpiForWindow();
    if (window && getDpiForWindow) {
        if (UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    return GetScreenDpi(window);
}

}  // namespace fx
