#pragma once
// An installation by the real setup into a folder of its own on C:, in the prefix's real
// registry and shell folders, and the real uninstaller it brings.
#include <gtest/gtest.h>

#include <string>

#include "support/paths.h"
#include "support/process_start.h"
#include "win/unique_handle.h"

#include "support/engine_scratch.h"
#include "support/product_trace.h"
#include "support/setup_runner.h"
#include "support/uninstaller_runner.h"

namespace uninstalltest {

constexpr DWORD kSetupTimeoutMs = 30000;

inline HANDLE StartSetup(const std::wstring& arguments, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + testsupport::BuildPath(L"Lumiscope64Setup.exe") + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!testsupport::StartProcess(nullptr, commandLine, 0, folder.c_str(), startup, started))
        return nullptr;
    ::CloseHandle(started.hThread);
    return started.hProcess;
}

inline size_t CountLines(const std::string& text, const std::string& pattern) {
    size_t count = 0;
    for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1)) ++count;
    return count;
}

using testsupport::Same;
using testsupport::SystemState;

class InstalledProduct : public ::testing::Test {
protected:
    // Other tests may leave the settings folder or links behind; each test starts without them.
    void SetUp() override { trace.Remove(); }
    void TearDown() override { trace.Remove(); }

    SystemState State() const { return trace.State(); }
    void Restart() const { trace.Restart(); }
    // The setup with these options added to "/silent /folder=<target>"; must succeed.
    void Install(const std::wstring& options = std::wstring()) {
        ASSERT_EQ(testsupport::RunSetup(L"/silent /folder=" + target + L" " + options, work.path()).exitCode, 0u);
    }
    // The installed uninstaller, silent, logging to `log`.
    testsupport::UninstallRun Uninstall(const std::wstring& options) {
        return testsupport::RunUninstaller(uninstaller, L"/silent /log=\"" + log + L"\" " + options, work.path());
    }
    std::string Log() const { return enginetest::ReadBytes(log); }
    // Runs the setup with a step log and ends it (as a deployment tool's time-out or a power cut
    // would) as soon as the log holds `count` lines with `line`. False when it ended before.
    bool RunSetupUntilLogged(const std::wstring& arguments, const char* line, size_t count) {
        const std::wstring stepLog = work / L"steps.log";
        ::DeleteFileW(stepLog.c_str());
        win::KernelObject process(StartSetup(arguments + L" /log=\"" + stepLog + L"\"", work.path()));
        if (!process) return false;
        for (DWORD waited = 0; waited < kSetupTimeoutMs; ++waited) {
            if (CountLines(enginetest::ReadBytes(stepLog), line) >= count) {
                ::TerminateProcess(process.get(), 1);
                ::WaitForSingleObject(process.get(), 5000);
                return true;
            }
            if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) return false;
        }
        ::TerminateProcess(process.get(), 1);
        return false;
    }

    enginetest::ScratchFolder work;
    std::wstring root = L"C:\\" + enginetest::UniqueName(L"lumi_un");
    std::wstring target = root + L"\\Lumiscope";
    std::wstring uninstaller = target + L"\\lm_uninstall.exe";
    std::wstring log = work / L"uninstall.log";
    testsupport::ProductTrace trace{root, target, work.path()};
};

}  // namespace uninstalltest
