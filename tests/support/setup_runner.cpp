#include "support/setup_runner.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/paths.h"
#include "support/process_start.h"

namespace testsupport {
namespace {

constexpr DWORD kRunTimeoutMs = 30000;

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    auto* target = reinterpret_cast<std::pair<DWORD, bool>*>(param);
    // COM keeps hidden windows of its own while a shell link is saved; only what shows counts.
    if (pid != target->first || !::IsWindowVisible(window)) return TRUE;
    target->second = true;
    return FALSE;
}

}  // namespace

SetupRun RunSetup(const std::wstring& arguments, const std::wstring& folder) {
    return RunSetupCopy(BuildPath(L"Lumiscope64Setup.exe"), arguments, folder);
}

SetupRun RunSetupCopy(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& folder,
                      const wchar_t* desktop) {
    std::wstring commandLine = L"\"" + exePath + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring desktopName = desktop ? desktop : L"";
    if (desktop) startup.lpDesktop = desktopName.data();
    PROCESS_INFORMATION process = {};
    SetupRun run;
    if (!StartProcess(nullptr, commandLine, 0, folder.c_str(), startup, process)) {
        ADD_FAILURE() << "setup did not start: " << ::GetLastError();
        return run;
    }
    std::pair<DWORD, bool> windows{process.dwProcessId, false};
    for (DWORD waited = 0; waited < kRunTimeoutMs && !windows.second; waited += 100) {
        if (::WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        ::EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&windows));
    }
    if (::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    } else {
        ::TerminateProcess(process.hProcess, kStillRunning);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    run.showedWindow = windows.second;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return run;
}

}  // namespace testsupport
