#pragma once
// The one way tests start a program: CreateProcessW, with one bounded retry for a failure of
// Wine's own process start.
#include <windows.h>

#include <string>

namespace testsupport {

// CreateProcessW(application, commandLine, ..., flags, folder, startup, process). Under Wine a
// new process whose Unix side ends before it reports to the server (seen on a heavily loaded
// machine; nothing of the program has run then) makes CreateProcessW fail with
// ERROR_INTERNAL_ERROR (1359). That error alone is tried once more, after a short pause, and
// the retry is written to stderr. Any other failure is returned at once.
BOOL StartProcess(const wchar_t* application, std::wstring& commandLine, DWORD flags, const wchar_t* folder,
                  STARTUPINFOW& startup, PROCESS_INFORMATION& process);

}  // namespace testsupport
