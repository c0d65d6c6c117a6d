#pragma once
// The processes of every session, as an administrator or SYSTEM sees them: a program that runs
// in another user's session has no window on the caller's desktop, but its image path names it.
#include <windows.h>

#include <string>

namespace win {

struct RunningProgram {
    DWORD id = 0;
    std::wstring image;  // full path of its program file
};

// The first process (other than the caller) whose program file lies in `folder` or below it
// (IsProgramInFolder); id 0 when there is none. Processes whose image cannot be read (other users' without rights,
// the system's own) are passed over.
RunningProgram FindProgramRunningIn(const std::wstring& folder);

}  // namespace win
