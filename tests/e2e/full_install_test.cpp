#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "win/platform.h"
#include "install/registry/registration.h"
#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "support/product_trace.h"
#include "support/setup_runner.h"

using namespace enginetest;
using testsupport::AllSelected;
using testsupport::ReadString;
using testsupport::SpecialFolder;

namespace {


std::set<std::wstring> FileNames(const std::wstring& folder, const wchar_t* pattern) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

// Every value (name, type, data) and subkey name of the keys an installation writes.
std::vector<std::wstring> DumpKeys(const std::vector<std::pair<HKEY, std::wstring>>& keys) {
    std::vector<std::wstring> lines;
    for (const auto& [root, key] : keys) {
        for (const auto& name : testsupport::ValueNames(root, key)) {
            DWORD type = 0;
            std::vector<BYTE> data;
            testsupport::ReadValue(root, key, name.c_str(), type, data);
            std::wstring line = key + L"|" + name + L"|" + std::to_wstring(type) + L"|";
            for (BYTE b : data) line += std::to_wstring(b) + L",";
            lines.push_back(line);
        }
        for (const auto& sub : testsupport::SubkeyNames(root, key)) lines.push_back(key + L"\\" + sub);
    }
    return lines;
}

// A silent installation with every option, into a folder of its own on C:, in the prefix's
// real registry and shell folders; everything it wrote is taken away again afterwards.
class SilentFullInstall : public ::testing::Test {
protected:
    ScratchFolder work;
    std::wstring root = L"C:\\" + UniqueName(L"lumi_full");
    std::wstring target = root + L"\\Lumiscope";
    std::wstring desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    std::wstring group = SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Lumiscope";
    std::vector<reg::Write> writes = RegistrationWrites(1, target, 1, AllSelected(), GetWindowsVersionClass());

    std::vector<std::pair<HKEY, std::wstring>> WrittenKeys() const {
        std::vector<std::pair<HKEY, std::wstring>> keys;
        for (const auto& w : writes) {
            std::pair<HKEY, std::wstring> k{reg::RootKey(w.root), w.key};
            if (std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
        }
        return keys;
    }
    // Windows has this key; a fresh Wine prefix does not, and the setup only adds to it.
    void SetUp() override {
        HKEY apps = nullptr;
        ::RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\RegisteredApplications", &apps);
        if (apps) ::RegCloseKey(apps);
    }
    testsupport::SetupRun Install() {
        return testsupport::RunSetup(
            L"/silent /folder=" + target + L" /desktop=1 /thumbs=1 /group=1 /allusers=1 /assoc=2", work.path());
    }
    void TearDown() override {
        auto keys = WrittenKeys();
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
            if (it->second == L"SOFTWARE\\RegisteredApplications") continue;
            ::RegDeleteTreeW(it->first, it->second.c_str());
            ::RegDeleteKeyW(it->first, it->second.c_str());
        }
        HKEY apps = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\RegisteredApplications", 0, KEY_SET_VALUE, &apps) == 0) {
            ::RegDeleteValueW(apps, L"Lumiscope");
            ::RegCloseKey(apps);
        }
        std::error_code ignored;
        std::filesystem::remove_all(group, ignored);
        std::filesystem::remove(desktop + L"\\Lumiscope 64.lnk", ignored);
        std::filesystem::remove(desktop + L"\\Lumiscope 64 Thumbnails.lnk", ignored);
        std::filesystem::remove_all(root, ignored);
    }
};

}  // namespace

TEST_F(SilentFullInstall, InstallsEverythingAndASecondRunChangesNothing) {
    ASSERT_EQ(Install().exitCode, 0u);

    EXPECT_TRUE(Exists(target + L"\\lu_scp64.exe"));
    EXPECT_TRUE(Exists(target + L"\\Plugins\\Icons.dll"));
    EXPECT_EQ(FileNames(desktop, L"Lumiscope*.lnk"),
              (std::set<std::wstring>{L"Lumiscope 64.lnk", L"Lumiscope 64 Thumbnails.lnk"}));
    EXPECT_EQ(FileNames(group, L"*.lnk").size(), GetWindowsVersionClass() == 8 ? 8u : 9u);

    const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstall, L"DisplayName"), L"Lumiscope 4.70 (64-bit)");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstall, L"InstallLocation"), target + L"\\");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"Applications\\lu_scp64.exe", L"FriendlyAppName"), L"Lumiscope 64-bit");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\RegisteredApplications", L"Lumiscope"),
              L"SOFTWARE\\Lumiscope\\Capabilities");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE,
                         L"SOFTWARE\\Classes\\Directory\\shell\\Durchsuchen mit &Lumiscope\\command", nullptr),
              L"\"" + target + L"\\lu_scp64.exe\" \"%1\" /thumbs");
    // Every one of the 87 extensions is pointed at its ProgID, for the machine and the user.
    EXPECT_EQ(testsupport::ValueNames(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations").size(),
              87u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.mpeg", nullptr), L"Lumiscope.mpg");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER,
                         L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.wma\\UserChoice",
                         L"Progid"),
              L"Lumiscope.wma");

    const auto firstKeys = DumpKeys(WrittenKeys());
    ASSERT_GT(firstKeys.size(), 87u * 3);
    const auto firstGroup = FileNames(group, L"*.lnk");
    ASSERT_EQ(Install().exitCode, 0u);
    EXPECT_EQ(DumpKeys(WrittenKeys()), firstKeys);
    EXPECT_EQ(FileNames(group, L"*.lnk"), firstGroup);
}
