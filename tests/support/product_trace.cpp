#include "support/product_trace.h"

#include <windows.h>
#include <shlobj.h>

#include <filesystem>

#include "install/install_places.h"
#include "install/registry/registration.h"
#include "support/system_snapshot.h"
#include "support/uninstaller_runner.h"
#include "win/path_text.h"
#include "win/platform.h"
#include "win/text.h"

namespace testsupport {
namespace {

constexpr wchar_t kRegisteredApps[] = L"SOFTWARE\\RegisteredApplications";


// Every key the product writes to with every option, for the machine and for a user.
std::vector<KeyPath> ProductKeys(const std::wstring& target) {
    std::vector<KeyPath> keys;
    const InstallPlaces scopes[] = {MachinePlaces(), UserPlaces(std::wstring())};
    for (const auto& table : RegistrationWrites(1, target, 1, AllSelected(), GetWindowsVersionClass()))
        for (const InstallPlaces& scope : scopes) {
            const reg::Write w = scope.Placed(table);
            KeyPath k{reg::RootKey(w.root), w.key};
            bool known = false;
            for (const auto& have : keys) known = known || (have.root == k.root && have.key == k.key);
            if (!known) keys.push_back(k);
        }
    return keys;
}

}  // namespace

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

ProductTrace::ProductTrace(const std::wstring& root, const std::wstring& target, const std::wstring& excluded)
    : m_root(root), m_target(target), m_excluded(excluded), m_settingsFolder(SpecialFolder(CSIDL_APPDATA) + L"\\Lumiscope") {
    // Windows has this key; a fresh prefix does not, and the setup only adds to it.
    HKEY apps = nullptr;
    ::RegCreateKeyW(HKEY_LOCAL_MACHINE, kRegisteredApps, &apps);
    if (apps) ::RegCloseKey(apps);
}

std::set<std::wstring> WithoutUninstallerCopies(const std::set<std::wstring>& files) {
    std::set<std::wstring> kept;
    for (const auto& file : files)
        if (file.find(L"\\Temp\\Lumiscope_Uninstall_") == std::wstring::npos) kept.insert(file);
    return kept;
}

SystemState ProductTrace::State() const { return {FileTree({m_excluded}), RegistryTree(ProductKeys(m_target))}; }

void ProductTrace::Restart() const { CompletePendingDeletionsBelow(m_root); }

void ProductTrace::Remove() const {
    const auto keys = ProductKeys(m_target);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        if (win::EqualsNoCase(it->key, kRegisteredApps)) continue;
        ::RegDeleteTreeW(it->root, it->key.c_str());
        ::RegDeleteKeyW(it->root, it->key.c_str());
    }
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY apps = nullptr;
        if (::RegOpenKeyExW(hive, kRegisteredApps, 0, KEY_SET_VALUE, &apps) == ERROR_SUCCESS) {
            ::RegDeleteValueW(apps, L"Lumiscope");
            ::RegCloseKey(apps);
        }
    }
    Restart();
    std::error_code ignored;
    std::filesystem::remove_all(SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Lumiscope", ignored);
    std::filesystem::remove_all(SpecialFolder(CSIDL_PROGRAMS) + L"\\Lumiscope", ignored);
    for (int desktop : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        std::filesystem::remove(SpecialFolder(desktop) + L"\\Lumiscope 64.lnk", ignored);
        std::filesystem::remove(SpecialFolder(desktop) + L"\\Lumiscope 64 Thumbnails.lnk", ignored);
    }
    std::filesystem::remove_all(m_settingsFolder, ignored);
    std::filesystem::remove_all(m_root, ignored);
    // A per-user removal leaves its uninstaller's own file in %TEMP% for the next run.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    for (const auto& entry : std::filesystem::directory_iterator(temp, ignored))
        if (entry.path().filename().wstring().rfind(L"Lumiscope_Uninstall_", 0) == 0)
            std::filesystem::remove_all(entry.path(), ignored);
}

std::set<std::wstring> ProductTrace::SettingsEntries() const {
    return {m_settingsFolder + L"\\", m_settingsFolder + L"\\lu_scp64.ini"};
}

::testing::AssertionResult Same(const std::set<std::wstring>& actual, const std::set<std::wstring>& expected) {
    std::string differences;
    for (const auto& line : actual)
        if (!expected.count(line)) differences += "\n  more: " + win::ToUtf8(line);
    for (const auto& line : expected)
        if (!actual.count(line)) differences += "\n  missing: " + win::ToUtf8(line);
    if (differences.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "differences:" << differences;
}

}  // namespace testsupport
