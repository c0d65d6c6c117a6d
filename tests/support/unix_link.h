#pragma once
// A link as another process of the user makes one in a Wine prefix: a Unix symbolic link.
// Wine's CreateSymbolicLinkW reports success and makes nothing, and a Windows program has no
// C library of the host, so the link is made with the Linux kernel's own call (symlink, 88),
// from the Unix paths Wine gives for the two names. Under Wine only.
#include <windows.h>

#include <string>

namespace testlink {

inline bool MakeUnixLink(const std::wstring& target, const std::wstring& link) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName =
        reinterpret_cast<UnixName>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name"));
    if (!unixName) return false;
    char* to = unixName(target.c_str());
    char* at = unixName(link.c_str());
    long result = -1;
    if (to && at) asm volatile("syscall" : "=a"(result) : "a"(88L), "D"(to), "S"(at) : "rcx", "r11", "memory");
    ::HeapFree(::GetProcessHeap(), 0, to);
    ::HeapFree(::GetProcessHeap(), 0, at);
    return result == 0;
}

}  // namespace testlink
