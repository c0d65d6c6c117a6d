#include "win/user_sid.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "win/unique_handle.h"

namespace win {

std::wstring CurrentUserSid() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::wstring();
    const KernelObject token(raw);
    return UserSidOf(raw);
}

std::wstring UserSidOf(HANDLE raw) {
    DWORD size = 0;
    ::GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(raw, TokenUser, buffer.data(), size, &size)) return std::wstring();
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return std::wstring();
    std::wstring sid(text);
    ::LocalFree(text);
    return sid;
}

}  // namespace win
