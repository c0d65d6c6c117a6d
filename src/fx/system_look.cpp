#include "fx/system_look.h"

#include <cwchar>

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

// Where the system keeps the setting (the flags as decimal text). Windows answers the query
// from it; Wine never reports high contrast on, so it is read as well.
bool StoredHighContrast() {
    wchar_t flags[16] = {};
    DWORD bytes = sizeof flags - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", L"Flags", RRF_RT_REG_SZ,
                       nullptr, flags, &bytes) != ERROR_SUCCESS)
        return false;
    return (::wcstoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

bool IsHighContrast() {
    if (g_highContrastOverride >= 0) return g_highContrastOverride != 0;
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0)
        return true;
    return StoredHighContrast();
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
