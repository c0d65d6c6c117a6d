// The ready page with the real installation: into a scratch folder, with every registry root
// of this process redirected to scratch keys and no shortcuts chosen.
#include <objbase.h>

#include <filesystem>
#include <string>

#include "install/do_install.h"
#include "win/unique_handle.h"
#include "wizard_fixture.h"

namespace wiztest {
namespace {

class WizardInstall : public WizardWalk {
protected:
    void SetUp() override {
        WizardWalk::SetUp();
        TheWizardSheet().m_pfnInstall = DoInstall;

        m_scratchName = L"Software\\LumiscopeWizardInstall" + std::to_wstring(::GetCurrentProcessId());
        // Every scratch key is opened before HKCU itself is redirected.
        for (const wchar_t* root : {L"\\HKLM", L"\\HKCU", L"\\HKCR"}) {
            HKEY key = nullptr;
            ::RegCreateKeyExW(HKEY_CURRENT_USER, (m_scratchName + root).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr);
            m_keys.emplace_back(key);
        }
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_keys[0].get());
        ::RegOverridePredefKey(HKEY_CURRENT_USER, m_keys[1].get());
        ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_keys[2].get());

        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_target = std::filesystem::path(temp) / (L"LumiWizardInstall" + std::to_wstring(::GetCurrentProcessId()));
    }
    void TearDown() override {
        WizardWalk::TearDown();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) ::RegOverridePredefKey(root, nullptr);
        m_keys.clear();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_scratchName.c_str());
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        ::SetCurrentDirectoryW(temp);  // the extraction leaves it in the target folder
        std::error_code ignored;
        std::filesystem::remove_all(m_target, ignored);
    }
    // The welcome page with the given folder and no shortcuts; the ready page keeping the
    // settings in the program folder.
    void ChooseAndStart(const std::wstring& folder) {
        Start();
        driver->SetText(Item(0, IDC_FOLDER), folder);
        driver->Click(Item(0, IDC_NO_SHORTCUTS));
        GoTo(3);
        driver->Click(Item(3, IDC_INI_PROGRAM));
    }

    std::filesystem::path m_target;

private:
    std::wstring m_scratchName;
    std::vector<win::RegKey> m_keys;
};

TEST_F(WizardInstall, SuccessfulInstallationReachesTheFinishPage) {
    ChooseAndStart(m_target.wstring());
    Next();
    EXPECT_FALSE(driver->BoxOpen());
    EXPECT_EQ(driver->ActivePage(), 4);
    EXPECT_TRUE(std::filesystem::exists(m_target / L"lu_scp64.exe"));
    FinishWithoutActions();
    EXPECT_TRUE(driver->Result());
}

TEST_F(WizardInstall, FolderThatCannotBeCreatedLeadsBackToTheWelcomePage) {
    ChooseAndStart(L"Q:\\Lumiscope");
    driver->ClickOpeningBox(driver->Button(kIdWizNext));
    Box box = driver->WaitForBox();
    EXPECT_EQ(box.text.rfind(L"Kann Zielverzeichnis nicht erstellen!", 0), 0u);
    EXPECT_EQ(box.caption, kTitle);
    driver->Answer(box, IDOK);
    EXPECT_EQ(driver->ActivePage(), 0);
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_FOLDER)), L"Q:\\Lumiscope");
    EXPECT_FALSE(Enabled(kIdWizBack));
    EXPECT_TRUE(Enabled(kIdWizNext));
    EXPECT_TRUE(Enabled(IDCANCEL));
    CancelWithYes();
    EXPECT_FALSE(driver->Result());
}

}  // namespace
}  // namespace wiztest
