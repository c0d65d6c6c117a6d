#include "uninstall_fixture.h"

#include <windows.h>
#include <shlobj.h>

#include <filesystem>

#include "install/registration.h"
#include "support/setup_runner.h"
#include "win/platform.h"
#include "win/text.h"

namespace uninstalltest {
namespace {

constexpr wchar_t kRegisteredApps[] = L"SOFTWARE\\RegisteredApplications";

std::array<int, kAssocSelectionSize> AllSelected() {
    std::array<int, kAssocSelectionSize> all;
    all.fill(1);
    return all;
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

// Every key the product writes to with every option.
std::vector<testsupport::KeyPath> ProductKeys(const std::wstring& target) {
    std::vector<testsupport::KeyPath> keys;
    for (const auto& w : RegistrationWrites(1, target, 1, AllSelected(), GetWindowsVersionClass())) {
        testsupport::KeyPath k{reg::RootKey(w.root), w.key};
        bool known = false;
        for (const auto& have : keys) known = known || (have.root == k.root && have.key == k.key);
        if (!known) keys.push_back(k);
    }
    return keys;
}

}  // namespace

::testing::AssertionResult Same(const std::set<std::wstring>& actual, const std::set<std::wstring>& expected) {
    std::string differences;
    for (const auto& line : actual)
        if (!expected.count(line)) differences += "\n  more: " + win::ToUtf8(line);
    for (const auto& line : expected)
        if (!actual.count(line)) differences += "\n  missing: " + win::ToUtf8(line);
    if (differences.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "differences:" << differences;
}

std::set<std::wstring> SettingsEntries(const std::wstring& settingsFolder) {
    return {settingsFolder + L"\\", settingsFolder + L"\\lu_scp64.ini"};
}

void InstalledProduct::SetUp() {
    // Windows has this key; a fresh prefix does not, and the setup only adds to it.
    HKEY apps = nullptr;
    ::RegCreateKeyW(HKEY_LOCAL_MACHINE, kRegisteredApps, &apps);
    if (apps) ::RegCloseKey(apps);
    settingsFolder = SpecialFolder(CSIDL_APPDATA) + L"\\Lumiscope";
}

void InstalledProduct::TearDown() {
    const auto keys = ProductKeys(target);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        if (it->key == kRegisteredApps) continue;
        ::RegDeleteTreeW(it->root, it->key.c_str());
        ::RegDeleteKeyW(it->root, it->key.c_str());
    }
    HKEY apps = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegisteredApps, 0, KEY_SET_VALUE, &apps) == ERROR_SUCCESS) {
        ::RegDeleteValueW(apps, L"Lumiscope");
        ::RegCloseKey(apps);
    }
    Restart();
    std::error_code ignored;
    std::filesystem::remove_all(SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Lumiscope", ignored);
    std::filesystem::remove_all(SpecialFolder(CSIDL_PROGRAMS) + L"\\Lumiscope", ignored);
    for (int desktop : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        std::filesystem::remove(SpecialFolder(desktop) + L"\\Lumiscope 64.lnk", ignored);
        std::filesystem::remove(SpecialFolder(desktop) + L"\\Lumiscope 64 Thumbnails.lnk", ignored);
    }
    std::filesystem::remove_all(settingsFolder, ignored);
    std::filesystem::remove_all(root, ignored);
}

SystemState InstalledProduct::State() const {
    return {testsupport::FileTree({work.path()}), testsupport::RegistryTree(ProductKeys(target))};
}

void InstalledProduct::Install(const std::wstring& options) {
    testsupport::SetupRun run = testsupport::RunSetup(L"/silent /folder=" + target + L" " + options, work.path());
    ASSERT_EQ(run.exitCode, 0u);
}

testsupport::UninstallRun InstalledProduct::Uninstall(const std::wstring& options) {
    return testsupport::RunUninstaller(uninstaller, L"/silent /log=\"" + log + L"\" " + options, work.path());
}

}  // namespace uninstalltest
