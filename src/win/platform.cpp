#include "win/platform.h"

#include "win/unique_handle.h"

namespace {

int g_versionClass = 0;  // shared by every caller for the whole run; 0 = not computed yet

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

}  // namespace

bool IsWindowsAtLeast(WORD major, WORD minor, WORD servicePackMajor) {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.wServicePackMajor = servicePackMajor;
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

int VersionClassFromNumbers(DWORD major, DWORD build) {
    if (major >= 10) return build >= 22000 ? 11 : 10;
    if (IsWindowsAtLeast(6, 2, 0)) return 8;
    if (IsWindowsAtLeast(6, 1, 0)) return 7;
    if (IsWindowsAtLeast(6, 0, 0)) return 6;
    if (!IsWindowsAtLeast(5, 1, 0)) return 0;
    return IsWindowsAtLeast(5, 1, 3) ? 5 : 1;
}

int GetWindowsVersionClass() {
    if (g_versionClass != 0) return g_versionClass;
    DWORD major = 0, build = 0;
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll");
    auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                     reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                               : nullptr;
    if (rtlGetVersion) {
        OSVERSIONINFOW info = {};
        info.dwOSVersionInfoSize = sizeof(info);  // 276 bytes, as the call expects
        if (rtlGetVersion(&info) == 0) {
            major = info.dwMajorVersion;
            build = info.dwBuildNumber;
        }
    }
    g_versionClass = VersionClassFromNumbers(major, build);
    return g_versionClass;
}

void SetWindowsVersionClassForTesting(int versionClass) { g_versionClass = versionClass; }

int GetScreenDpi(HWND window) {
    win::WindowDC dc(window);
    return dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
}
