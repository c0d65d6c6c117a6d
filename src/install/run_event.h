#pragma once
// The one entry each run of the setup or the uninstaller leaves in the Application event log:
// where a failed deployment is looked for first. Text only; the log is written by the programs.
#include <windows.h>

#include <string>

// One source for both programs, registered by the installation (and removed with it) below
// the Application log's key; its message file is the installed uninstaller, whose message
// table passes the entry's text through unchanged for every id below.
constexpr wchar_t kEventSourceName[] = L"Lumiscope64 Setup";
constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lumiscope64 Setup";
constexpr wchar_t kEventMessageFileName[] = L"lm_uninstall.exe";

enum RunEventId : DWORD {
    kEventInstalled = 1000,     // setup, exit code 0
    kEventNotInstalled = 1001,  // setup, any other exit code
    kEventRemoved = 1010,       // uninstaller, exit code 0
    kEventNotRemoved = 1011,    // uninstaller, any other exit code
};

struct RunEvent {
    WORD type = EVENTLOG_INFORMATION_TYPE;
    DWORD id = kEventInstalled;
    std::wstring text;
};

// The setup's entry: information for 0, for 5 (the wizard ended by its user) and 10 (the
// options shown), else an error. `meaning` is the step log's word for the code; `log` the step
// log asked for ("" for none).
RunEvent SetupRunEvent(int code, bool perUser, const std::wstring& meaning, const std::wstring& log);
// The uninstaller's entry: information for 0 and 5 (cancelled by its user), a warning for 3
// (removed, something kept), else an error. `log` is the uninstaller's log.
RunEvent UninstallRunEvent(int code, bool perUser, const std::wstring& meaning, const std::wstring& log);
