#pragma once
// The one way tests start a program: CreateProcessW, with one bounded retry for a failure of
// Wine's own process start.
#include <windows.h>

#include <string>

namespace testsupport {

// CreateProcessW(application, commandLine, ..., flags, folder, startup, process). Under Wine 8
// a new process now and then finds the fixed address of the shared user data already taken in
// its fresh address space ("virtual_alloc_first_teb wine: failed to map the shared user data:
// c0000018") and ends inside Wine's loader, before it reports to the server and before any of
// its code runs; the parent's CreateProcessW then fails with ERROR_INTERNAL_ERROR (1359).
// Measured here: 2 of 3000 starts of a program that does nothing, six threads in each of two
// processes starting at once. That error alone is tried once more, after a short pause, and
// the retry is written to stderr. Any other failure is returned at once.
BOOL StartProcess(const wchar_t* application, std::wstring& commandLine, DWORD flags, const wchar_t* folder,
                  STARTUPINFOW& startup, PROCESS_INFORMATION& process);

}  // namespace testsupport
