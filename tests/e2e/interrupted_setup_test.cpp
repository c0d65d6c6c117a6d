// Setups that do not run alone or are ended from outside: killed at points across their steps
// (as a deployment tool's time-out or a power cut would end them), or started three at once.
// Whatever happens, the next run and then the uninstaller leave the machine as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/paths.h"
#include "support/scratch_registry.h"
#include "uninstall_fixture.h"
#include "win/text.h"
#include "win/unique_handle.h"

using namespace enginetest;
using namespace uninstalltest;

namespace {

constexpr wchar_t kOptions[] = L"/group=1 /desktop=1 /thumbs=1 /assoc=1";
constexpr wchar_t kJpg[] = L"SOFTWARE\\Classes\\.jpg";
constexpr wchar_t kTransactionKey[] = L"SOFTWARE\\Lumiscope64 Transaction";

// A step-log line and how many of them must have been written when the setup is ended; and
// whether the uninstaller the killed run put in place repairs it, instead of the next setup.
struct KillPoint {
    const char* name;
    const char* line;
    size_t count;
    bool uninstallerRepairs = false;
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << point.name; }

// Every point for the machine's installation and for a user's (/scope=user, its log in HKCU).
class KilledSetup : public InstalledProduct, public ::testing::WithParamInterface<std::tuple<KillPoint, bool>> {
protected:
    const KillPoint& Point() const { return std::get<0>(GetParam()); }
    bool ForUser() const { return std::get<1>(GetParam()); }
    std::wstring Options() const { return std::wstring(kOptions) + (ForUser() ? L" /scope=user" : L""); }
    HKEY LogHive() const { return ForUser() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
    bool RunUntilKilled() {
        return RunSetupUntilLogged(L"/silent /folder=" + target + L" " + Options(), Point().line, Point().count);
    }
    // A user's uninstaller leaves its own running file in %TEMP% for the next run.
    static std::set<std::wstring> Files(const SystemState& state) { return testsupport::WithoutUninstallerCopies(state.files); }
};

}  // namespace

// A file type that belonged to another viewer belongs to it again at the end.
TEST_P(KilledSetup, TheNextRunAndTheUninstallerLeaveTheMachineAsItWas) {
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kJpg, nullptr, L"OtherViewer.jpg"));
    const SystemState before = State();
    // The last points come a few milliseconds before the run ends: a busy machine may let it
    // finish first, and then the machine is put back as it was and the run tried again.
    bool killed = false;
    for (int attempt = 0; attempt < 4 && !killed; ++attempt) {
        killed = RunUntilKilled();
        if (!killed && !Point().uninstallerRepairs) {
            Uninstall(L"/purge");
            Restart();
        }
    }
    ASSERT_TRUE(killed) << "the setup ended before " << Point().line;

    if (Point().uninstallerRepairs) {
        // The first installation never reached its record: nothing to uninstall, all taken back.
        EXPECT_EQ(Uninstall(L"/purge").exitCode, 2u) << Log();
    } else {
        Install(Options());
        EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    }
    EXPECT_FALSE(testsupport::KeyExists(LogHive(), kTransactionKey));
    Restart();
    const SystemState after = State();
    EXPECT_TRUE(Same(Files(after), Files(before))) << Log();
    EXPECT_TRUE(Same(after.registry, before.registry));
    EXPECT_EQ(testsupport::ReadString(HKEY_LOCAL_MACHINE, kJpg, nullptr), L"OtherViewer.jpg");
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJpg);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KilledSetup,
    ::testing::Combine(::testing::Values(KillPoint{"Folder", "] folder: created folder", 1},
                      KillPoint{"Payload", "] payload: begin", 2},
                      KillPoint{"PayloadInPlace", "] payload: wrote ", 10},
                      KillPoint{"Settings", "] settings: end", 1},
                      KillPoint{"Links", "] links: saved link", 4},
                      KillPoint{"Registry", "] registry: set ", 150},
                      KillPoint{"Notify", "] notify: begin", 1},
                      KillPoint{"Committed", "] record: written", 1},
                      KillPoint{"RegistryThenUninstaller", "] registry: set ", 300, true}),
                       ::testing::Bool()),
    [](const auto& info) { return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "User" : ""); });

// Three at once: one installs, the others change nothing and say so (exit code 6); the one
// uninstallation afterwards leaves the machine as it was.
TEST_F(InstalledProduct, SetupsStartedAtOnceRunOneAtATime) {
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kJpg, nullptr, L"OtherViewer.jpg"));
    const SystemState before = State();
    std::vector<std::wstring> folders = {work / L"a", work / L"b", work / L"c"};
    std::vector<HANDLE> setups;
    for (const std::wstring& folder : folders) {
        ::CreateDirectoryW(folder.c_str(), nullptr);
        setups.push_back(StartSetup(L"/silent /folder=" + target + L" " + kOptions, folder));
        ASSERT_NE(setups.back(), nullptr);
    }
    size_t installed = 0;
    for (size_t i = 0; i < setups.size(); ++i) {
        DWORD code = 0xFFFFFFFF;
        EXPECT_EQ(::WaitForSingleObject(setups[i], kSetupTimeoutMs), WAIT_OBJECT_0);
        ::GetExitCodeProcess(setups[i], &code);
        ::CloseHandle(setups[i]);
        EXPECT_TRUE(code == 0 || code == 6) << code;
        installed += code == 0;
        const std::string log = ReadBytes(folders[i] + L"\\Lumiscope_Install.log");
        EXPECT_EQ(code == 6, log.find("Eine andere Installation oder Deinstallation von Lumiscope l\xe4uft bereits.") !=
                                 std::string::npos) << log;
    }
    EXPECT_GE(installed, 1u);
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    Restart();
    EXPECT_TRUE(Same(State().files, before.files));
    EXPECT_TRUE(Same(State().registry, before.registry));
    EXPECT_EQ(testsupport::ReadString(HKEY_LOCAL_MACHINE, kJpg, nullptr), L"OtherViewer.jpg");
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kJpg);
}

namespace {

// A transaction log as a killed run would leave it, naming `victim` as a file it was making.
void PlantLog(HKEY root, const std::wstring& target, const std::wstring& victim) {
    auto field = [](const std::wstring& path) {
        std::string text;
        for (char c : win::ToUtf8(path)) text += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return text;
    };
    const std::string text = "Lumiscope transaction 1\r\nprogram\t" + field(target + L"\\") + "\tprocess\t1\r\nreplace\t" +
                             field(victim) + "\t0\r\n";
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(root, kTransactionKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr), ERROR_SUCCESS);
    win::RegKey key(raw);
    ASSERT_EQ(::RegSetValueExW(key.get(), L"00000000", 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                               static_cast<DWORD>(text.size())),
              ERROR_SUCCESS);
}

}  // namespace

// A log in the user's part of the registry, which any process of the user may write, is
// never read; one in the machine's part that names a place not the product's is not acted on:
// both programs change nothing, end with 11 and leave it for an administrator.
TEST_F(InstalledProduct, ALogNamingForeignPlacesIsNeverActedOn) {
    const std::wstring victim = work / L"victim.txt";
    WriteBytes(victim, "not the product's");
    PlantLog(HKEY_CURRENT_USER, target, victim);
    Install();
    EXPECT_EQ(ReadBytes(victim), "not the product's");
    EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, kTransactionKey));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTransactionKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kTransactionKey);

    PlantLog(HKEY_LOCAL_MACHINE, target, victim);
    const SystemState installed = State();
    EXPECT_EQ(testsupport::RunSetup(L"/silent /folder=" + target, work.path()).exitCode, 11u);
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 11u);
    EXPECT_EQ(ReadBytes(victim), "not the product's");
    EXPECT_TRUE(testsupport::KeyExists(HKEY_LOCAL_MACHINE, kTransactionKey));
    EXPECT_TRUE(Same(State().files, installed.files));
    EXPECT_NE(ReadBytes(work / L"Lumiscope_Install.log").find("nennt Orte"), std::string::npos);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTransactionKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTransactionKey);
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
}

// A folder typed with "." and ".." levels names one place: everything goes there, and the
// record and the uninstaller know it by that one name.
TEST_F(InstalledProduct, AFolderWithDotDotLevelsInstallsIntoThePlaceItNames) {
    const SystemState before = State();
    ASSERT_EQ(testsupport::RunSetup(L"/silent /folder=" + root + L"\\Apps\\..\\.\\Lumiscope /group=1", work.path()).exitCode,
              0u);
    EXPECT_TRUE(Exists(target + L"\\Help"));
    EXPECT_FALSE(Exists(root + L"\\Apps"));
    EXPECT_EQ(Uninstall(L"/purge").exitCode, 0u) << Log();
    Restart();
    EXPECT_TRUE(Same(State().files, before.files)) << Log();
}
