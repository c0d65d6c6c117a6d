#include <gtest/gtest.h>

#include <windows.h>

#include "app/platform.h"
#include "install/associations.h"
#include "install/registration.h"
#include "support/folders_stand_in.h"
#include "support/scratch_registry.h"

using testsupport::KeyExists;
using testsupport::ReadString;
using testsupport::ReadValue;
using testsupport::ScratchRegistry;
using testsupport::SubkeyNames;
using testsupport::ValueNames;

namespace {

using Selection = std::array<int, kAssocSelectionSize>;

constexpr wchar_t kFolder[] = L"C:\\Program Files\\Lumiscope ";
constexpr wchar_t kViewer[] = L"C:\\Program Files\\Lumiscope\\lu_scp64.exe";
constexpr wchar_t kOpenCommand[] = L"\"C:\\Program Files\\Lumiscope\\lu_scp64.exe\" \"%1\"";
constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
constexpr wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

class RegistrationRegistry : public ::testing::Test {
protected:
    void SetUp() override { SetWindowsVersionClassForTesting(10); }
    void TearDown() override { SetWindowsVersionClassForTesting(0); }

    // Registers with every shortcut flag 0 (no links are made) and the JPEG row selected.
    void Register() {
        Selection selection{};
        selection[23] = 1;
        RegisterViewer(1, kFolder, 0, 0, 0, 0, selection);
    }

    void ExpectString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& expected) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadValue(root, key, name, type, data)) << key << " " << (name ? name : L"(default)");
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << key;
        EXPECT_EQ(data.size(), (expected.size() + 1) * sizeof(wchar_t)) << key << ": terminator counted";
        EXPECT_EQ(ReadString(root, key, name), expected) << key;
    }

    void ExpectDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD expected) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadValue(root, key, name, type, data)) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
        ASSERT_EQ(data.size(), 4u) << name;
        EXPECT_EQ(*reinterpret_cast<const DWORD*>(data.data()), expected) << name;
    }

    // Windows has this key; the registration only opens it.
    static void CreateRegisteredApplicationsKey() {
        HKEY key = nullptr;
        if (::RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\RegisteredApplications", &key) == ERROR_SUCCESS)
            ::RegCloseKey(key);
    }

    ScratchRegistry m_reg{L"registration"};
};

}  // namespace

TEST_F(RegistrationRegistry, WritesApplicationUninstallAndCapabilityEntries) {
    HKEY lm = m_reg.machine();
    ::RegSetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon", REG_SZ, L"old.exe,3", 0);
    CreateRegisteredApplicationsKey();  // the system's own
    Register();

    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope", nullptr, L"Lumiscope");
    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command", nullptr, kOpenCommand);
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon"));
    // HKCR lands in the machine's classes.
    ExpectString(lm, L"Software\\Classes\\Applications\\lu_scp64.exe\\shell\\open\\command", nullptr, kOpenCommand);
    ExpectString(lm, L"Software\\Classes\\Applications\\lu_scp64.exe", L"FriendlyAppName", L"Lumiscope 64-bit");

    ExpectString(lm, kUninstall, nullptr, L"");
    ExpectString(lm, kUninstall, L"DisplayName", L"Lumiscope 4.70 (64-bit)");
    ExpectString(lm, kUninstall, L"UninstallString", L"\"C:\\Program Files\\Lumiscope\\lm_uninstall.exe\"");
    ExpectString(lm, kUninstall, L"Publisher", L"Brannholt");
    ExpectString(lm, kUninstall, L"InstallLocation", L"C:\\Program Files\\Lumiscope\\");
    ExpectString(lm, kUninstall, L"DisplayVersion", L"4.70");
    ExpectString(lm, kUninstall, L"DisplayIcon", std::wstring(kViewer) + L",0");
    ExpectDword(lm, kUninstall, L"VersionMajor", 4);
    ExpectDword(lm, kUninstall, L"VersionMinor", 70);
    ExpectDword(lm, kUninstall, L"EstimatedSize", 8192);

    ExpectString(lm, L"SOFTWARE\\Lumiscope\\shell\\open\\command", nullptr, std::wstring(L"\"") + kViewer + L"\"");
    ExpectString(lm, L"SOFTWARE\\Lumiscope\\Capabilities", L"ApplicationDescription",
                 L"Picture viewer, editor and converter - one of the most popular viewers worldwide");
    ExpectString(lm, L"SOFTWARE\\RegisteredApplications", L"Lumiscope", L"SOFTWARE\\Lumiscope\\Capabilities");
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\Directory\\shell")) << "no verb without the thumbnails choice";
}

TEST_F(RegistrationRegistry, WritesEveryFileTypeAndTheSelectedUserChoices) {
    HKEY lm = m_reg.machine();
    HKEY cu = m_reg.user();
    Register();

    EXPECT_EQ(ValueNames(lm, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations").size(), 87u);
    ExpectString(lm, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations", L".dib", L"Lumiscope.bmp");
    size_t progIds = 0;
    for (const auto& name : SubkeyNames(lm, L"SOFTWARE\\Classes")) progIds += name.rfind(L"Lumiscope.", 0) == 0;
    EXPECT_EQ(progIds, 69u);
    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope.jpg", nullptr, L"Lumiscope JPG File");
    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope.ani\\DefaultIcon", nullptr, L"%1");
    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope.wma\\DefaultIcon", nullptr, std::wstring(kViewer) + L",8");
    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope.rmi\\shell\\open\\command", nullptr, kOpenCommand);

    for (const wchar_t* ext : {L".jpg", L".jpeg", L".jfif", L".jpe"}) {
        ExpectString(lm, std::wstring(L"SOFTWARE\\Classes\\") + ext, nullptr, L"Lumiscope.jpg");
        ExpectString(cu, std::wstring(kFileExts) + ext + L"\\UserChoice", L"Progid", L"Lumiscope.jpg");
    }
    ExpectString(lm, L"SOFTWARE\\Classes\\.png", nullptr, L"Lumiscope.png");
    ExpectString(lm, L"SOFTWARE\\Classes\\.tif", nullptr, L"Lumiscope.tif");
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\.bmp"));
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\.tiff"));
    EXPECT_FALSE(KeyExists(cu, std::wstring(kFileExts) + L".png"));

    // Windows 10 with associate: the packaged apps' Open-with entries are switched off.
    const wchar_t* appx[] = {L"AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg", L"AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
                             L"AppX43hnxtbyyps62jhe9sqpdzxn1790zetc", L"AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
                             L"AppX6eg8h5sxqq90pv53845wmnbewywdqq5h"};
    for (const wchar_t* app : appx) ExpectString(cu, std::wstring(L"SOFTWARE\\Classes\\") + app, L"NoOpenWith", L"");
}

TEST_F(RegistrationRegistry, SecondRunLeavesTheSameTreeAndReplacesAnOldUserChoice) {
    const std::wstring choice = std::wstring(kFileExts) + L".jpe\\UserChoice";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, choice.c_str(), L"Progid", REG_SZ, L"Other.jpe", 20);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, choice.c_str(), L"Hash", REG_SZ, L"abc", 8);
    Register();
    auto first = m_reg.Dump();
    EXPECT_GT(first.size(), 400u);  // keys and values of the whole registration
    EXPECT_EQ(ValueNames(m_reg.user(), choice), std::vector<std::wstring>{L"Progid"}) << "the key is made anew";
    Register();
    EXPECT_EQ(m_reg.Dump(), first);
}

TEST_F(RegistrationRegistry, NothingPerUserWithoutSelectionAndOnWindowsEleven) {
    SetWindowsVersionClassForTesting(11);
    RegisterViewer(1, kFolder, 0, 0, 0, 0, Selection{});
    EXPECT_TRUE(SubkeyNames(m_reg.user(), L"").empty());
    EXPECT_FALSE(KeyExists(m_reg.machine(), L"SOFTWARE\\RegisteredApplications")) << "opened, never created";
    EXPECT_EQ(ValueNames(m_reg.machine(), L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations").size(), 87u);
}

// Refused writes are skipped and the registration goes on. The refusal is a real one: the
// system will not put a lasting key under a volatile one.
TEST_F(RegistrationRegistry, RefusedWritesDoNotStopTheRest) {
    for (const wchar_t* parent : {L"SOFTWARE\\Classes\\Applications", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    ASSERT_NE(::RegSetValueW(HKEY_CLASSES_ROOT, L"Applications\\Probe", REG_SZ, L"x", 0), ERROR_SUCCESS)
        << "the system accepted a lasting key under a volatile one";
    CreateRegisteredApplicationsKey();

    EXPECT_EQ(RegisterViewer(1, kFolder, 0, 0, 0, 0, Selection{}), 1);

    HKEY lm = m_reg.machine();
    EXPECT_TRUE(SubkeyNames(lm, L"Software\\Classes\\Applications").empty());
    EXPECT_FALSE(KeyExists(lm, kUninstall));
    ExpectString(lm, L"SOFTWARE\\Lumiscope\\shell\\open\\command", nullptr, std::wstring(L"\"") + kViewer + L"\"");
    ExpectString(lm, L"SOFTWARE\\RegisteredApplications", L"Lumiscope", L"SOFTWARE\\Lumiscope\\Capabilities");
    EXPECT_EQ(ValueNames(lm, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations").size(), 87u);
}

// Without the capability key, the file types still get their ProgIDs but no capability values.
TEST_F(RegistrationRegistry, CapabilityValuesNeedTheirKey) {
    auto paths = MakeInstallPaths(kFolder);
    RegisterFileType(L"qoi", L"qoi", paths.openCommand, paths.viewerPath + L",0", 0);
    HKEY lm = m_reg.machine();
    ExpectString(lm, L"SOFTWARE\\Classes\\Lumiscope.qoi", nullptr, L"Lumiscope QOI File");
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations"));
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\.qoi"));
}
