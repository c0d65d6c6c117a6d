#pragma once
// An installation by the real setup into a folder of its own on C:, in the prefix's real
// registry and shell folders, and the real uninstaller it brings.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_scratch.h"
#include "support/product_trace.h"
#include "support/setup_runner.h"
#include "support/uninstaller_runner.h"

namespace uninstalltest {

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

    enginetest::ScratchFolder work;
    std::wstring root = L"C:\\" + enginetest::UniqueName(L"lumi_un");
    std::wstring target = root + L"\\Lumiscope";
    std::wstring uninstaller = target + L"\\lm_uninstall.exe";
    std::wstring log = work / L"uninstall.log";
    testsupport::ProductTrace trace{root, target, work.path()};
};

}  // namespace uninstalltest
