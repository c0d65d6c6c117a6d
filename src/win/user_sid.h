#pragma once
// The process's user as its SID text ("S-1-5-21-..."), which names what is the user's alone
// (the lock of a per-user installation).
#include <windows.h>

#include <string>

namespace win {

// Empty when the token cannot be read.
std::wstring CurrentUserSid();
// The user of `token` (opened with TOKEN_QUERY) the same way.
std::wstring UserSidOf(HANDLE token);

}  // namespace win
