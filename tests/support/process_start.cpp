#include "support/process_start.h"

#include <cstdio>

namespace testsupport {

namespace {

constexpr DWORD kRetryPauseMs = 500;

BOOL StartOnce(const wchar_t* application, std::wstring& commandLine, DWORD flags, const wchar_t* folder,
               STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
    return ::CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, folder, &startup,
                            &process);
}

}  // namespace

BOOL StartProcess(const wchar_t* application, std::wstring& commandLine, DWORD flags, const wchar_t* folder,
                  STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
    // The command line buffer may be changed by the call; the retry gets the text as given.
    const std::wstring given = commandLine;
    if (StartOnce(application, commandLine, flags, folder, startup, process)) return TRUE;
    if (::GetLastError() != ERROR_INTERNAL_ERROR) return FALSE;
    std::fprintf(stderr, "CreateProcessW failed with 1359 (the new process ended before it started); trying once more: %ls\n",
                 given.c_str());
    std::fflush(stderr);
    ::Sleep(kRetryPauseMs);
    commandLine = given;
    return StartOnce(application, commandLine, flags, folder, startup, process);
}

}  // namespace testsupport
