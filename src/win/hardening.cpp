#include "win/hardening.h"

#include <windows.h>

#include "win/text.h"

namespace win {

void HardenDllSearchPath() {
    const std::wstring kernel32 = SystemFilePath(L"kernel32.dll");
    HMODULE module = kernel32.empty() ? nullptr : ::GetModuleHandleW(kernel32.c_str());
    if (!module) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "SetDefaultDllDirectories")));
    if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace win
