#pragma once
// An installation by the real setup into a folder of its own on C:, in the prefix's real
// registry and shell folders, and the real uninstaller it brings. Whatever a test leaves
// behind is taken away afterwards, so that the next test finds the prefix as before.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/engine_scratch.h"
#include "support/system_snapshot.h"
#include "support/uninstaller_runner.h"

namespace uninstalltest {

struct SystemState {
    std::set<std::wstring> files;
    std::set<std::wstring> registry;
};

class InstalledProduct : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The file tree (without this test's own work folder) and the product's registry keys.
    SystemState State() const;
    // The setup with these options added to "/silent /folder=<target>"; must succeed.
    void Install(const std::wstring& options = std::wstring());
    // The installed uninstaller, logging to `log`.
    testsupport::UninstallRun Uninstall(const std::wstring& options);
    std::string Log() const { return enginetest::ReadBytes(log); }
    // What the next restart would delete is deleted, as the system would.
    void Restart() const { testsupport::CompletePendingDeletionsBelow(root); }

    enginetest::ScratchFolder work;
    std::wstring root = L"C:\\" + enginetest::UniqueName(L"lumi_un");
    std::wstring target = root + L"\\Lumiscope";
    std::wstring uninstaller = target + L"\\lm_uninstall.exe";
    std::wstring log = work / L"uninstall.log";
    std::wstring settingsFolder;  // %APPDATA%\Lumiscope
};

// Equal sets; otherwise the lines only one of them has are named.
::testing::AssertionResult Same(const std::set<std::wstring>& actual, const std::set<std::wstring>& expected);

// The settings the first installation keeps in the user's application data.
std::set<std::wstring> SettingsEntries(const std::wstring& settingsFolder);

}  // namespace uninstalltest
