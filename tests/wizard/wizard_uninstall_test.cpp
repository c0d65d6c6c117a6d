// A real installation through the wizard, into the prefix's real registry and shell folders,
// taken away again by the real uninstaller it brought.
#include <filesystem>

#include "install/do_install.h"
#include "support/engine_scratch.h"
#include "support/product_trace.h"
#include "support/uninstaller_runner.h"
#include "wizard_fixture.h"

namespace wiztest {
namespace {

class WizardThenUninstall : public WizardWalk {
protected:
    void SetUp() override {
        WizardWalk::SetUp();
        TheWizardSheet().m_pfnInstall = DoInstall;
        trace.Remove();  // what other tests left behind
    }
    void TearDown() override {
        WizardWalk::TearDown();
        trace.Remove();
    }

    enginetest::ScratchFolder work;
    std::wstring root = L"C:\\" + enginetest::UniqueName(L"lumi_wiz");
    std::wstring target = root + L"\\Lumiscope";
    testsupport::ProductTrace trace{root, target, work.path()};
};

}  // namespace

TEST_F(WizardThenUninstall, TheSilentUninstallerLeavesOnlyTheSettings) {
    const testsupport::SystemState before = trace.State();
    Start();
    driver->SetText(Item(0, IDC_FOLDER), target);
    driver->Click(Item(0, IDC_NO_SHORTCUTS));
    driver->Click(Item(0, IDC_DESKTOP));
    driver->Click(Item(0, IDC_STARTMENU));
    GoTo(3);
    driver->Click(Item(3, IDC_INI_APPDATA));
    Next();
    ASSERT_EQ(driver->ActivePage(), 4);
    FinishWithoutActions();
    ASSERT_TRUE(enginetest::Exists(target + L"\\lm_install.rec"));
    ::SetCurrentDirectoryW(work.path().c_str());  // the installation leaves this process in the program folder

    const std::wstring log = work / L"uninstall.log";
    const testsupport::UninstallRun run =
        testsupport::RunUninstaller(target + L"\\lm_uninstall.exe", L"/silent /log=\"" + log + L"\"", work.path());
    EXPECT_EQ(run.exitCode, 0u) << enginetest::ReadBytes(log);
    EXPECT_FALSE(run.showedWindow);
    trace.Restart();
    const testsupport::SystemState after = trace.State();
    std::set<std::wstring> expected = before.files;
    for (const auto& entry : trace.SettingsEntries()) expected.insert(entry);
    EXPECT_TRUE(testsupport::Same(after.files, expected));
    EXPECT_TRUE(testsupport::Same(after.registry, before.registry));
}

}  // namespace wiztest
