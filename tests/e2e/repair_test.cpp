// The same setup run again over its installation (a repair) writes only what changed: a file
// that still holds what the payload has stays the very same file, with its times; a file the
// user changed is replaced. Killed after the changed file was put in place, the repair is
// taken back and every file is the one it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "install/links/shortcuts.h"
#include "uninstall_fixture.h"
#include "win/text.h"

using namespace enginetest;
using namespace uninstalltest;

namespace {

constexpr wchar_t kOptions[] = L"/group=1 /desktop=1";
constexpr wchar_t kChanged[] = L"l_about.txt";
constexpr wchar_t kRecord[] = L"lm_install.rec";     // written by every run, as the settings file
constexpr wchar_t kSettings[] = L"lu_scp64.ini";

// File index, last write time and size: a file replaced by another, or written, differs.
using Identity = std::tuple<uint64_t, uint64_t, uint64_t>;

std::map<std::wstring, Identity> Identities(const std::wstring& folder) {
    std::map<std::wstring, Identity> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        win::File file(::CreateFileW(entry.path().c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        BY_HANDLE_FILE_INFORMATION info = {};
        ::GetFileInformationByHandle(file.get(), &info);
        found[std::filesystem::relative(entry.path(), folder).wstring()] = {
            (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
            (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime,
            (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow};
    }
    return found;
}

// The product's links on the desktops and in the groups, by full path.
std::map<std::wstring, Identity> LinkIdentities() {
    std::map<std::wstring, Identity> found;
    for (int allUsers : {0, 1}) {
        for (const std::wstring& folder : {SpecialFolderPath(DesktopFolderCsidl(allUsers)),
                                           SpecialFolderPath(ProgramsFolderCsidl(allUsers)) + L"Lumiscope"}) {
            if (!std::filesystem::is_directory(folder)) continue;
            for (const auto& [name, identity] : Identities(folder))
                if (name.find(L"Lumiscope") != std::wstring::npos || folder.find(L"Lumiscope") != std::wstring::npos)
                    found[folder + L"\\" + name] = identity;
        }
    }
    return found;
}

class Repair : public InstalledProduct {
protected:
    // Installs, then changes one file as a user would; the size the payload gave it.
    uint64_t InstallAndChangeOne() {
        Install(kOptions);
        const uint64_t size = std::get<2>(Identities(target)[kChanged]);
        std::ofstream(std::filesystem::path(target + L"\\" + kChanged), std::ios::app) << "the user's own line\r\n";
        return size;
    }
};

}  // namespace

TEST_F(Repair, LeavesUnchangedFilesAloneAndReplacesAChangedOne) {
    const uint64_t installedSize = InstallAndChangeOne();
    const auto before = Identities(target);
    const auto linksBefore = LinkIdentities();
    ::Sleep(20);  // a file written again would have a later time
    Install(kOptions);
    auto after = Identities(target);
    EXPECT_GE(linksBefore.size(), 2u);
    EXPECT_EQ(LinkIdentities(), linksBefore);  // the links, as they would be written, stay too
    EXPECT_NE(after[kChanged], before.at(kChanged));
    EXPECT_EQ(std::get<2>(after[kChanged]), installedSize);
    for (const auto& [name, identity] : before) {
        if (name != kChanged && name != kRecord && name != kSettings) EXPECT_EQ(after[name], identity) << win::ToUtf8(name);
    }
    // The record names every file as the installation's: all of them go.
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    Restart();
    EXPECT_FALSE(std::filesystem::exists(target)) << Log();
}

TEST_F(Repair, KilledAfterItsFirstReplacementLeavesEveryFileAsItWas) {
    InstallAndChangeOne();
    const auto before = Identities(target);
    ASSERT_TRUE(RunSetupUntilLogged(L"/silent /folder=" + target + L" " + kOptions, "] payload: wrote l_about.txt", 1));
    // The next setup repairs the interrupted run first, then refuses a relative folder.
    EXPECT_EQ(testsupport::RunSetup(L"/silent /folder=relative", work.path()).exitCode, 2u);
    EXPECT_EQ(Identities(target), before);
    Install(kOptions);
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    Restart();
    EXPECT_FALSE(std::filesystem::exists(target)) << Log();
}
