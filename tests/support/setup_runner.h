#pragma once
#include <windows.h>
#include <string>

namespace testsupport {

constexpr DWORD kStillRunning = 0xFFFFFFFF;

struct SetupRun {
    DWORD exitCode = kStillRunning;
    bool showedWindow = false;  // a window of its own appeared while it ran
};

// Starts the built setup with `arguments` in the working folder `folder` and waits for it to
// end. A setup that shows a window, or is still running after the time-out, is ended: no run
// can hang the suite.
SetupRun RunSetup(const std::wstring& arguments, const std::wstring& folder);
// The same for another copy of the setup; `desktop` ("station\\desktop") starts it elsewhere.
SetupRun RunSetupCopy(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& folder,
                      const wchar_t* desktop = nullptr);

}  // namespace testsupport
