// What a deployment tool meets: the setup as SYSTEM with the viewer open in another session,
// files held by other programs, a wrong switch without a desktop, an older setup, and a new
// installation before the restart that finishes a removal.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <set>

#include "install/recovery/installation_lock.h"
#include "support/paths.h"
#include "support/process_start.h"
#include "uninstall_fixture.h"
#include "win/text.h"
#include "win/unique_handle.h"

using namespace enginetest;
using namespace uninstalltest;

namespace {

constexpr wchar_t kEntry[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";

// Every file below `folder` with its bytes.
std::map<std::wstring, std::string> Contents(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path().wstring()] = ReadBytes(entry.path().wstring());
    return files;
}

bool Contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

class Deployment : public InstalledProduct {
protected:
    testsupport::SetupRun Setup(const std::wstring& options = std::wstring()) {
        return testsupport::RunSetup(L"/silent /folder=" + target + L" /log=\"" + stepLog + L"\" " + options, work.path());
    }
    std::string InstallLog() const { return ReadBytes(work / L"Lumiscope_Install.log"); }
    std::string StepLog() const { return ReadBytes(stepLog); }

    std::wstring stepLog = work / L"steps.log";
};

}  // namespace

// A file held open by another program (sharing reading only) cannot be replaced: the upgrade
// is taken back whole. The viewer's program held means the viewer runs (code 1, text 10);
// another file, code 4. Either way every file stays byte for byte as it was.
TEST_F(Deployment, AHeldFileMakesTheUpgradeChangeNothing) {
    Install();
    struct Case {
        const wchar_t* file;
        DWORD code;
        const char* entry;
    } cases[] = {{L"lu_scp64.exe", 1, "Warnung: Lumiscope l"}, {L"Html\\index.htm", 4, "Fehler beim Installieren"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(win::ToUtf8(c.file));
        const std::wstring held = target + L"\\" + c.file;
        WriteBytes(held, "an older version of this file");  // so that the upgrade must replace it
        const auto files = Contents(root);
        const SystemState before = State();
        {
            win::File holder(::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder);
            ::DeleteFileW((work / L"Lumiscope_Install.log").c_str());
            EXPECT_EQ(Setup().exitCode, c.code) << StepLog();
        }
        EXPECT_TRUE(Contains(InstallLog(), c.entry)) << InstallLog();
        EXPECT_TRUE(Contains(StepLog(), "file in use or read-only, cannot be replaced")) << StepLog();
        EXPECT_TRUE(Contents(root) == files);
        EXPECT_TRUE(Same(State().files, before.files));
        EXPECT_TRUE(Same(State().registry, before.registry));
    }
}

// A program of the folder with no window anywhere (a viewer in another user's session, as
// SYSTEM sees it): both programs refuse before they change anything, and name it.
TEST_F(Deployment, AProgramRunningFromTheFolderWithoutAWindowStopsSetupAndUninstaller) {
    Install();
    const std::wstring viewer = target + L"\\lu_scp64.exe";
    std::wstring commandLine = L"\"" + viewer + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    // Suspended, it never makes a window; only its process names it.
    ASSERT_TRUE(testsupport::StartProcess(viewer.c_str(), commandLine, CREATE_SUSPENDED, work.path().c_str(), startup,
                                          process));
    win::UniqueHandle<win::KernelObjectTraits> processHandle(process.hProcess), thread(process.hThread);
    const SystemState before = State();

    EXPECT_EQ(Setup().exitCode, 1u);
    EXPECT_TRUE(Contains(InstallLog(), "Warnung: Lumiscope l"));
    EXPECT_TRUE(Contains(StepLog(), "the viewer is running (process")) << StepLog();
    EXPECT_TRUE(Contains(StepLog(), "lu_scp64.exe")) << StepLog();
    EXPECT_EQ(Uninstall(L"").exitCode, 1u) << Log();
    EXPECT_TRUE(Contains(Log(), "lu_scp64.exe"));
    EXPECT_TRUE(Same(State().files, before.files));
    EXPECT_TRUE(Same(State().registry, before.registry));

    ::TerminateProcess(process.hProcess, 0);
    ::WaitForSingleObject(process.hProcess, 5000);
}

// An older setup never replaces a newer installation; the same version again goes on.
TEST_F(Deployment, AnOlderSetupChangesNothingTheSameVersionRepairs) {
    Install();
    HKEY entry = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEntry, 0, KEY_SET_VALUE, &entry), ERROR_SUCCESS);
    const DWORD five = 5, zero = 0;
    ::RegSetValueExW(entry, L"VersionMajor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), sizeof five);
    ::RegSetValueExW(entry, L"VersionMinor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    const SystemState before = State();
    const auto files = Contents(root);

    EXPECT_EQ(Setup().exitCode, 7u) << StepLog();
    EXPECT_TRUE(Contains(InstallLog(), "Eine neuere Version von Lumiscope (5.00)")) << InstallLog();
    EXPECT_TRUE(Same(State().registry, before.registry));
    EXPECT_TRUE(Contents(root) == files);

    const DWORD four = 4, seventy = 70;
    ::RegSetValueExW(entry, L"VersionMajor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&four), sizeof four);
    ::RegSetValueExW(entry, L"VersionMinor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seventy), sizeof seventy);
    ::RegCloseKey(entry);
    EXPECT_EQ(Setup().exitCode, 0u) << StepLog();

    // The installed viewer's file version counts as well (a file with version 5.0 in its place).
    ASSERT_TRUE(::CopyFileW(testsupport::BuildPath(L"tests/fixtures/icons/v500_other.dll").c_str(),
                            (target + L"\\lu_scp64.exe").c_str(), FALSE));
    EXPECT_EQ(Setup().exitCode, 7u) << StepLog();
}

// Removed, installed again before the restart: the restart that finishes the removal must not
// take the new uninstaller or the folder with it. One Wine server stays up throughout (a new
// one would carry out the pending renames as a boot does); Restart() is that boot. The folders
// kept from their deletion are the new installation's: its removal leaves nothing behind.
TEST_F(Deployment, AnInstallationBeforeTheRestartOfARemovalSurvivesIt) {
    const SystemState before = State();
    Install();
    ASSERT_EQ(Uninstall(L"").exitCode, 0u) << Log();
    EXPECT_EQ(Setup().exitCode, 0u) << StepLog();
    EXPECT_TRUE(Contains(StepLog(), "taken out of the renames at the next restart: deletion of")) << StepLog();
    Restart();
    EXPECT_TRUE(Exists(uninstaller));
    EXPECT_TRUE(Exists(target + L"\\lm_install.rec"));
    EXPECT_EQ(Uninstall(L"").exitCode, 0u) << Log();
    Restart();
    EXPECT_FALSE(Exists(root));
    std::set<std::wstring> kept = before.files;  // only the user's settings stay
    for (const std::wstring& entry : trace.SettingsEntries()) kept.insert(entry);
    EXPECT_TRUE(Same(State().files, kept));
    EXPECT_TRUE(Same(State().registry, before.registry));
}

// Without /silent where nobody sees a window (a service, SYSTEM in session 0): no wizard or
// dialog that waits for ever, a log entry that says what to use. On a desktop, /? shows the options.
TEST_F(Deployment, NoWizardWithoutAVisibleDesktop) {
    const std::wstring stationName = L"lumi_station_" + std::to_wstring(::GetCurrentProcessId());
    HWINSTA station = ::CreateWindowStationW(stationName.c_str(), 0, GENERIC_ALL, nullptr);
    ASSERT_TRUE(station);
    const std::wstring desktop = stationName + L"\\Default";
    for (const wchar_t* arguments : {L"", L"/SILENT", L"/?"}) {
        ::DeleteFileW((work / L"Lumiscope_Install.log").c_str());
        const testsupport::SetupRun run =
            testsupport::RunSetupCopy(testsupport::BuildPath(L"Lumiscope64Setup.exe"), arguments, work.path(), desktop.c_str());
        EXPECT_EQ(run.exitCode, 8u) << win::ToUtf8(arguments);
        EXPECT_TRUE(Contains(InstallLog(), "Verwenden Sie /silent")) << InstallLog();
    }
    // The uninstaller's dialog alike; nothing is removed.
    Install();
    const testsupport::SetupRun removal =
        testsupport::RunSetupCopy(uninstaller, L"/log=\"" + log + L"\"", work.path(), desktop.c_str());
    EXPECT_EQ(removal.exitCode, 8u) << Log();
    {
        // Nor a box there for a lock another run holds.
        txn::InstallationLock another;
        ASSERT_TRUE(another.held());
        EXPECT_EQ(testsupport::RunSetupCopy(uninstaller, L"", work.path(), desktop.c_str()).exitCode, 8u);
    }
    EXPECT_TRUE(Exists(target + L"\\lm_install.rec"));
    ::CloseWindowStation(station);
    EXPECT_TRUE(testsupport::RunSetup(L"/help", work.path()).showedWindow);
}
