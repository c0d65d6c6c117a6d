#pragma once
// The process's user as its SID text ("S-1-5-21-..."), which names what is the user's alone
// (the lock of a per-user installation).
#include <string>

namespace win {

// Empty when the token cannot be read.
std::wstring CurrentUserSid();

}  // namespace win
