#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "support/scratch_registry.h"
#include "support/running_viewer.h"
#include "uninstall_fixture.h"
#include "win/text.h"
#include "win/unique_handle.h"

using namespace enginetest;
using namespace uninstalltest;
using testsupport::ReadString;

namespace {

constexpr wchar_t kEveryOption[] = L"/desktop=1 /thumbs=1 /group=1 /allusers=1 /assoc=2";
constexpr wchar_t kEntry[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
constexpr wchar_t kJpg[] = L"SOFTWARE\\Classes\\.jpg";
constexpr wchar_t kJpgChoice[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";

std::set<std::wstring> Plus(std::set<std::wstring> a, const std::set<std::wstring>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

bool Contains(const std::string& text, const std::wstring& what) {
    return text.find(win::ToUtf8(what)) != std::string::npos;
}


class SilentUninstall : public InstalledProduct, public ::testing::WithParamInterface<bool> {};

}  // namespace

// Everything an installation with every option did goes; only the user's settings stay,
// unless /purge takes them too. The uninstaller and the program folder go at the restart.
TEST_P(SilentUninstall, LeavesThePrefixAsItWasBeforeTheInstallation) {
    const bool purge = GetParam();
    const SystemState before = State();
    Install(kEveryOption);
    ASSERT_TRUE(Exists(target + L"\\lm_install.rec"));

    testsupport::UninstallRun run = Uninstall(purge ? L"/purge" : L"");
    EXPECT_EQ(run.exitCode, 0u) << Log();
    EXPECT_FALSE(run.showedWindow);
    // An administrator's uninstaller runs nothing but its own file, where the setup put it.
    EXPECT_FALSE(run.startedProgram);
    EXPECT_TRUE(Contains(Log(), L"Ergebnis: 0"));
    Restart();
    const SystemState after = State();
    EXPECT_TRUE(Same(after.files, purge ? before.files : Plus(before.files, trace.SettingsEntries())));
    EXPECT_TRUE(Same(after.registry, before.registry));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutPurge, SilentUninstall, ::testing::Bool());

// The second installation found the viewer's own association; the record keeps what the first found.
TEST_F(InstalledProduct, AfterAnUpgradeTheAssociationsFromBeforeTheFirstInstallationComeBack) {
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kJpg, nullptr, L"OtherViewer.jpg"));
    ASSERT_TRUE(testsupport::WriteString(HKEY_CURRENT_USER, kJpgChoice, L"Progid", L"OtherViewer.jpg"));
    const SystemState before = State();
    Install(L"/assoc=1 /group=1");
    Install(L"/assoc=1 /group=1 /desktop=1");
    ASSERT_EQ(ReadString(HKEY_LOCAL_MACHINE, kJpg, nullptr), L"Lumiscope.jpg");

    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    Restart();
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kJpg, nullptr), L"OtherViewer.jpg");
    // The user's choice that the setup replaced is not written back: Windows guards it.
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, kJpgChoice));
    SystemState after = State();
    EXPECT_TRUE(Same(after.files, before.files)) << Log();
    std::set<std::wstring> expected;
    for (const auto& line : before.registry)
        if (line.find(L"UserChoice") == std::wstring::npos) expected.insert(line);
    EXPECT_TRUE(Same(after.registry, expected));
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJpg);
}

// Changed, added and held files stay, are named in the log and keep the uninstall entry, so
// that a second run after the causes are gone finishes the work.
// A changed or held payload file keeps the product registered until a second run can finish;
// the user's own file in the program folder does not: it stays with its folders.
TEST_F(InstalledProduct, WhatCannotGoIsKeptAndARepeatedRunFinishesWhileTheUsersFileStays) {
    const SystemState before = State();
    Install(L"/group=1");
    std::string about = ReadBytes(target + L"\\l_about.txt");
    ASSERT_FALSE(about.empty());
    about[0] ^= 1;  // same size, other CRC
    WriteBytes(target + L"\\l_about.txt", about);
    WriteBytes(target + L"\\Plugins\\mine.dll", "added by the user");
    win::File held(::CreateFileW((target + L"\\Help\\liesmich.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 0, nullptr));
    ASSERT_TRUE(held);

    testsupport::UninstallRun run = Uninstall(L"/purge");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_FALSE(run.showedWindow);
    const std::string log = Log();
    for (const wchar_t* kept : {L"BEHALTEN, seit der Installation verändert: Datei", L"\\l_about.txt",
                                L"belassen, nicht von der Installation: Datei", L"\\Plugins\\mine.dll",
                                L"BEHALTEN, in Benutzung oder gesperrt: Datei", L"\\Help\\liesmich.txt"})
        EXPECT_TRUE(Contains(log, kept)) << win::ToUtf8(kept) << "\n" << log;
    EXPECT_FALSE(Contains(log, L"BEHALTEN, nicht von der Installation"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kEntry, L"DisplayName"), L"Lumiscope 4.70 (64-bit)");
    EXPECT_TRUE(Exists(uninstaller));
    EXPECT_FALSE(Exists(target + L"\\lu_scp64.exe"));

    held.reset();
    ASSERT_TRUE(::DeleteFileW((target + L"\\l_about.txt").c_str()));
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    Restart();
    std::set<std::wstring> expected = before.files;
    for (const std::wstring& left : {root + L"\\", target + L"\\", target + L"\\Plugins\\", target + L"\\Plugins\\mine.dll"})
        expected.insert(left);
    EXPECT_TRUE(Same(State().files, expected));
    EXPECT_EQ(ReadBytes(target + L"\\Plugins\\mine.dll"), "added by the user");
    EXPECT_FALSE(testsupport::KeyExists(HKEY_LOCAL_MACHINE, kEntry));
}

// A running viewer, a missing record and a damaged one (naming a path outside the program
// folder, or a registry value the setup never writes: an autostart entry "restored" with the
// uninstaller's rights): nothing is changed, with the codes 1 and 2.
TEST_F(InstalledProduct, RefusesWithoutChangingAnything) {
    Install(L"/group=1 /desktop=1");
    const std::wstring record = target + L"\\lm_install.rec";
    const std::string recorded = ReadBytes(record);
    const SystemState installed = State();
    {
        testsupport::RunningViewer viewer;
        EXPECT_EQ(Uninstall(L"").exitCode, 1u);
    }
    EXPECT_TRUE(Same(State().files, installed.files));

    WriteBytes(record, recorded + "file\t..\\\\..\\\\Windows\\\\win.ini\t1\t00000000\r\n");
    EXPECT_EQ(Uninstall(L"").exitCode, 2u);
    const std::wstring run = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    WriteBytes(record, recorded + "value\tHKLM\t" + win::ToUtf8(run) + "\tLumi\t1:43000000\tabsent\r\n");
    EXPECT_EQ(Uninstall(L"").exitCode, 2u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, run, L"Lumi"), L"");
    WriteBytes(record, "Lumiscope install record 1\r\nprogram\tC:\\\\Windows\\\\\r\n");
    EXPECT_EQ(Uninstall(L"").exitCode, 2u);
    ASSERT_TRUE(::DeleteFileW(record.c_str()));
    testsupport::UninstallRun missing = Uninstall(L"");
    EXPECT_EQ(missing.exitCode, 2u);
    EXPECT_FALSE(missing.showedWindow);
    WriteBytes(record, recorded);
    const SystemState after = State();
    EXPECT_TRUE(Same(after.files, installed.files));
    EXPECT_TRUE(Same(after.registry, installed.registry));
    EXPECT_TRUE(Contains(Log(), L"keine Installation"));
}
