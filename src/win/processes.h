#pragma once
// The processes of every session, as an administrator or SYSTEM sees them: a program that runs
// in another user's session has no window on the caller's desktop, but its image path names it.
#include <windows.h>

#include <string>
#include <vector>

namespace win {

struct RunningProgram {
    DWORD id = 0;
    DWORD session = 0;   // the terminal-services session it runs in
    bool sessionKnown = false;
    std::wstring image;  // full path of its program file, after every link on the way
};

// Every process other than the caller whose program file can be named. The image is the
// final path of the file (a link or another spelling on the way leads to what it reaches);
// where the file cannot be opened, the path the system gives for the process. Processes
// whose image cannot be read (other users' without rights, the system's own) are passed over.
std::vector<RunningProgram> RunningPrograms();

// The final path of an existing file or folder, as "C:\..." or "\\server\..."; `path` as
// given when nothing can be opened there.
std::wstring FinalPathOrAsGiven(const std::wstring& path);

}  // namespace win
