// A per-user installation (/scope=user) by the real setup into its default folder, removed by
// the uninstaller its uninstall entry names; and both scopes side by side.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "support/engine_scratch.h"
#include "support/product_trace.h"
#include "support/scratch_registry.h"
#include "support/setup_runner.h"
#include "support/uninstaller_runner.h"
#include "uninstall_fixture.h"
#include "win/platform.h"
#include "win/unique_handle.h"

using testsupport::ReadString;
using testsupport::Same;
using testsupport::SpecialFolder;
using testsupport::SystemState;

namespace {

const std::wstring kEntry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
const std::wstring kPending = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kEveryOption[] = L" /desktop=1 /thumbs=1 /group=1 /assoc=2";

// The lines of the machine's hive: HKLM, and HKCR, which is HKLM's classes under Wine.
std::set<std::wstring> MachineLines(const std::set<std::wstring>& registry) {
    std::set<std::wstring> lines;
    for (const auto& line : registry)
        if (line.rfind(L"1:", 0) != 0) lines.insert(line);
    return lines;
}

// The files, without the uninstallers' own files that a per-user removal leaves in %TEMP% for
// the next run to remove, and without the user's settings, which an uninstaller keeps.
std::set<std::wstring> Files(const SystemState& state) {
    std::set<std::wstring> files;
    for (const auto& file : testsupport::WithoutUninstallerCopies(state.files))
        if (file.find(L"\\AppData\\Roaming\\Lumiscope\\") == std::wstring::npos) files.insert(file);
    return files;
}

class UserScope : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        userTrace.Remove();
        machineTrace.Remove();
    }
    SystemState State() const { return userTrace.State(); }
    DWORD Setup(const std::wstring& options) { return testsupport::RunSetup(L"/silent " + options, work.path()).exitCode; }
    // The uninstaller as a package manager calls it: the entry's QuietUninstallString.
    DWORD QuietUninstall(HKEY hive) {
        const std::wstring quiet = ReadString(hive, kEntry, L"QuietUninstallString");
        const size_t close = quiet.find(L'"', 1);
        if (quiet.empty() || quiet[0] != L'"' || close == std::wstring::npos) return 0xFFFFFFFF;
        return testsupport::RunUninstaller(quiet.substr(1, close - 1),
                                           quiet.substr(close + 1) + L" /log=\"" + (work / L"u.log") + L"\"", work.path())
            .exitCode;
    }

    enginetest::ScratchFolder work;
    std::wstring userFolder = SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Lumiscope";
    std::wstring machineRoot = L"C:\\" + enginetest::UniqueName(L"lumi_scope");
    std::wstring machineFolder = machineRoot + L"\\Lumiscope";
    testsupport::ProductTrace userTrace{userFolder, userFolder, work.path()};
    testsupport::ProductTrace machineTrace{machineRoot, machineFolder, work.path()};
};

TEST_F(UserScope, InstallsInTheUsersPlacesOnlyAndItsUninstallerTakesAllAway) {
    const SystemState before = State();
    const std::wstring pendingBefore = ReadString(HKEY_LOCAL_MACHINE, kPending, L"PendingFileRenameOperations");
    // All users' links are not the user's to make: the choice is a documented no-op.
    ASSERT_EQ(Setup(std::wstring(L"/scope=user /allusers=1") + kEveryOption), 0u);

    const SystemState installed = State();
    EXPECT_TRUE(Same(MachineLines(installed.registry), MachineLines(before.registry)));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kPending, L"PendingFileRenameOperations"), pendingBefore);
    EXPECT_TRUE(enginetest::Exists(userFolder + L"\\lu_scp64.exe"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kEntry, L"InstallLocation"), userFolder + L"\\");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kEntry, L"QuietUninstallString"),
              L"\"" + userFolder + L"\\lm_uninstall.exe\" /silent");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kEntry, L"InstallRecordSHA256").size(), 64u);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\Applications\\lu_scp64.exe", L"FriendlyAppName"),
              L"Lumiscope 64-bit");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\.mpeg", nullptr), L"Lumiscope.mpg");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\RegisteredApplications", L"Lumiscope"),
              L"Software\\Lumiscope\\Capabilities");
    EXPECT_EQ(testsupport::ValueNames(HKEY_CURRENT_USER, L"Software\\Lumiscope\\Capabilities\\FileAssociations").size(), 87u);
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, L"Software\\Lumiscope64 Transaction"));
    EXPECT_TRUE(enginetest::Exists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Lumiscope 64 Thumbnails.lnk"));
    EXPECT_TRUE(enginetest::Exists(SpecialFolder(CSIDL_PROGRAMS) + L"\\Lumiscope\\Was ist neu.lnk"));
    EXPECT_FALSE(enginetest::Exists(SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Lumiscope 64.lnk"));

    EXPECT_EQ(QuietUninstall(HKEY_CURRENT_USER), 0u) << enginetest::ReadBytes(work / L"u.log");
    const SystemState after = State();
    EXPECT_TRUE(Same(Files(after), Files(before)));
    EXPECT_TRUE(Same(after.registry, before.registry));
}

// Each removal leaves the other scope's installation as it was, the user choices both share
// included; the machine's links are for all users, so no link is shared.
TEST_F(UserScope, EitherScopesRemovalLeavesTheOtherWhole) {
    const SystemState before = State();
    const std::wstring machine = L"/folder=" + machineFolder + L" /allusers=1" + kEveryOption;
    const std::wstring user = std::wstring(L"/scope=user") + kEveryOption;

    ASSERT_EQ(Setup(machine), 0u);
    const SystemState machineOnly = State();
    ASSERT_EQ(Setup(user), 0u);
    EXPECT_EQ(QuietUninstall(HKEY_CURRENT_USER), 0u) << enginetest::ReadBytes(work / L"u.log");
    EXPECT_TRUE(Same(Files(State()), Files(machineOnly)));
    EXPECT_TRUE(Same(State().registry, machineOnly.registry));
    EXPECT_EQ(QuietUninstall(HKEY_LOCAL_MACHINE), 0u) << enginetest::ReadBytes(work / L"u.log");
    machineTrace.Restart();

    ASSERT_EQ(Setup(user), 0u);
    const SystemState userOnly = State();
    ASSERT_EQ(Setup(machine), 0u);
    EXPECT_EQ(QuietUninstall(HKEY_LOCAL_MACHINE), 0u) << enginetest::ReadBytes(work / L"u.log");
    machineTrace.Restart();
    EXPECT_TRUE(Same(Files(State()), Files(userOnly)));
    EXPECT_TRUE(Same(State().registry, userOnly.registry));
    EXPECT_EQ(QuietUninstall(HKEY_CURRENT_USER), 0u) << enginetest::ReadBytes(work / L"u.log");
    EXPECT_TRUE(Same(Files(State()), Files(before)));
    EXPECT_TRUE(Same(State().registry, before.registry));
}

// Whether per-user removals left copies of the uninstaller in %TEMP%.
bool HasCopies(const SystemState& state) {
    return testsupport::WithoutUninstallerCopies(state.files).size() != state.files.size();
}

// Sets an environment variable for the programs this test starts, while it lives.
struct Injected {
    const wchar_t* name;
    explicit Injected(const wchar_t* n) : name(n) { ::SetEnvironmentVariableW(name, L"1"); }
    ~Injected() { ::SetEnvironmentVariableW(name, nullptr); }
};

// A per-user run with rights its desktop's user lacks (the tests' seam says so) hands itself
// over to him and ends with that run's code; one that cannot (it is already the one handed
// over) changes nothing. A removal's copy of the uninstaller goes with the next setup.
TEST_F(UserScope, ARunAboveItsUserHandsItselfOverAndTheNextSetupTakesTheUninstallersCopy) {
    const SystemState before = State();
    const std::wstring steps = work / L"steps.log";
    {
        const Injected above(L"LUMISCOPE_TEST_ELEVATED_ABOVE_DESKTOP");
        ASSERT_EQ(Setup(std::wstring(L"/scope=user /log=\"") + steps + L"\"" + kEveryOption), 0u);
        EXPECT_NE(enginetest::ReadBytes(steps).find("started again as the desktop's user"), std::string::npos);
        const SystemState installed = State();
        {
            const Injected handedOver(L"LUMISCOPE_RUN_AS_DESKTOP_USER");
            EXPECT_EQ(Setup(L"/scope=user"), 14u);
            EXPECT_EQ(QuietUninstall(HKEY_CURRENT_USER), 14u);
            EXPECT_TRUE(Same(State().files, installed.files));
            EXPECT_TRUE(Same(State().registry, installed.registry));
        }
        EXPECT_EQ(QuietUninstall(HKEY_CURRENT_USER), 0u) << enginetest::ReadBytes(work / L"u.log");
        EXPECT_NE(enginetest::ReadBytes(work / L"u.log").find("als Benutzer des Desktops neu gestartet"), std::string::npos);
        EXPECT_TRUE(Same(Files(State()), Files(before)));
        EXPECT_TRUE(Same(State().registry, before.registry));
    }
    EXPECT_TRUE(HasCopies(State()));
    ASSERT_EQ(Setup(L"/scope=user"), 0u);
    EXPECT_FALSE(HasCopies(State()));
    EXPECT_EQ(QuietUninstall(HKEY_CURRENT_USER), 0u);
}

// A visible top-level window of `process` with a child control whose text holds `text`;
// waited for up to 15 s.
struct WindowSearch {
    DWORD process;
    std::wstring text;
    HWND window = nullptr;
    bool holds = false;
};

BOOL CALLBACK FindText(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t buffer[2048] = {};
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(child, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 1000, &ignored);
    search->holds = std::wstring(buffer).find(search->text) != std::wstring::npos;
    return !search->holds;
}

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !::IsWindowVisible(window)) return TRUE;
    ::EnumChildWindows(window, FindText, param);
    if (search->holds) search->window = window;
    return !search->holds;
}

HWND WindowWith(DWORD process, const std::wstring& text) {
    WindowSearch search{process, text};
    for (int waited = 0; waited < 300 && !search.window; ++waited) {
        ::Sleep(50);
        ::EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
    }
    return search.window;
}

std::wstring ImageOf(HANDLE process) {
    wchar_t image[MAX_PATH] = {};
    DWORD chars = MAX_PATH;
    return ::QueryFullProcessImageNameW(process, 0, image, &chars) ? std::wstring(image, chars) : std::wstring();
}

// A process started by `parent` from the same program (waited for up to 10 s); other children
// (the desktop shell that a setup may start under Wine) do not count.
win::KernelObject ChildOfTheSameImage(HANDLE parent) {
    const std::wstring own = ImageOf(parent);
    for (int waited = 0; waited < 200; ++waited, ::Sleep(50))
        for (DWORD child : testsupport::ChildProcesses(::GetProcessId(parent))) {
            win::KernelObject process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, child));
            if (process && ImageOf(process.get()) == own) return process;
        }
    return win::KernelObject();
}

// The setup's wizard without administrator rights (the tests' seam) asks before its first
// page; for all users it starts itself again and ends with that run's code, for the user alone
// its first page proposes the user's folder.
TEST_F(UserScope, AWizardWithoutAdministratorRightsAsksForWhomItInstalls) {
    const Injected injected(L"LUMISCOPE_TEST_NOT_ADMINISTRATOR");
    struct EndedAtExit {  // no failure leaves a setup behind
        HANDLE process;
        ~EndedAtExit() {
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 5000);
        }
    };
    for (int answer : {IDNO, IDYES}) {
        win::KernelObject setup(uninstalltest::StartSetup(L"", work.path()));
        ASSERT_TRUE(setup);
        const EndedAtExit ended{setup.get()};
        const DWORD id = ::GetProcessId(setup.get());
        const HWND box = WindowWith(id, L"für mich allein (im Ordner " + userFolder + L")");
        EXPECT_TRUE(box) << answer;
        if (box) ::PostMessageW(box, WM_COMMAND, answer, 0);
        if (answer == IDNO) {
            // The run started again is the same program (it refuses in a box here: it has no
            // rights either); the first ends with its code.
            win::KernelObject again = ChildOfTheSameImage(setup.get());
            ASSERT_TRUE(again);
            ::TerminateProcess(again.get(), 42);
            EXPECT_EQ(::WaitForSingleObject(setup.get(), 10000), WAIT_OBJECT_0);
            DWORD code = 0;
            ::GetExitCodeProcess(setup.get(), &code);
            EXPECT_EQ(code, 42u);
        } else {
            for (int waited = 0; waited < 200 && ::IsWindow(box); ++waited) ::Sleep(50);
            EXPECT_TRUE(WindowWith(id, userFolder));  // the box is gone: the first page's folder
        }
    }
}

}  // namespace
