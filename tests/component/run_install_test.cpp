#include <gtest/gtest.h>

#include <filesystem>

#include "support/box_answerer.h"
#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "support/unix_link.h"
#include "install/do_install.h"
#include "install/payload/payload.h"
#include "install/request/program_folder.h"
#include "install/step_log.h"

using namespace enginetest;

namespace {

const std::string kInvalidFolder = "Ung\xfcltiges Zielverzeichnis!";
const std::string kCannotCreate =
    "Kann Zielverzeichnis nicht erstellen!\r\n\r\nBitte \xfc" "berpr\xfc" "fen Sie Ihre Schreibrechte und "
    "System-Policies!\r\n\r\nVersuchen Sie das Zielverzeichnis zuerst h\xe4ndisch zu erstellen.";
const std::string kInstallErrorStart = "Fehler beim Installieren!\r\n\r\n\xdc" "berpr\xfc" "fen Sie bitte ob";
// Runs in a scratch folder, where the install log of a silent run lands.
class SilentInstallFailure : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::wstring previousDirectory = CurrentDirectory();
    InstallRequest request;

    void SetUp() override {
        ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));
        request.silent = 1;
    }
    void TearDown() override { ::SetCurrentDirectoryW(previousDirectory.c_str()); }

    std::string LoggedText() { return OnlyLogEntryText(ReadBytes(scratch / L"Lumiscope_Install.log")); }
};

}  // namespace

TEST_F(SilentInstallFailure, EmptyTargetLogsTextFiveAndAColon) {
    EXPECT_EQ(RunInstall(request), InstallStatus::InvalidFolder);
    EXPECT_EQ(LoggedText(), kInvalidFolder + ": ");
}

TEST_F(SilentInstallFailure, BlankTargetIsNotEmptyButCannotBeCreated) {
    request.targetFolder = L"   ";
    EXPECT_EQ(RunInstall(request), InstallStatus::FolderNotCreated);
    EXPECT_EQ(LoggedText(), kCannotCreate + ": ");
}

// The refusal names the folder as it was given (trimmed, with its backslash), not in the form
// the system resolves it to: a level's trailing dots or blanks stay as typed.
TEST_F(SilentInstallFailure, MissingDriveLogsTheFolderAsGivenWithABackslash) {
    const std::wstring drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    const struct {
        std::wstring given;
        std::wstring logged;
    } cases[] = {
        {drive + L"\\Lumi", drive + L"\\Lumi\\"},
        {L"  " + drive + L"\\Apps\\Dots...  ", drive + L"\\Apps\\Dots...\\"},
        {drive + L"\\Blank  \\Lumi\\", drive + L"\\Blank  \\Lumi\\"},
    };
    for (const auto& c : cases) {
        request.targetFolder = c.given;
        EXPECT_EQ(RunInstall(request), InstallStatus::FolderNotCreated) << Latin1(c.given);
        EXPECT_EQ(LoggedText(), kCannotCreate + ": " + Latin1(c.logged));
        EXPECT_EQ(request.targetFolder, c.given);
        ::DeleteFileW((scratch / L"Lumiscope_Install.log").c_str());
    }
}

// A level that cannot be made is refused, not taken, and nothing is made below it: a file has
// its name, or a link to nowhere does (lookups do not see it, yet it blocks the creation, as a
// folder another process makes between the look and the creation would).
TEST_F(SilentInstallFailure, LevelThatCannotBeMadeIsRefusedWithNothingMadeBelowIt) {
    WriteBytes(scratch / L"File", "x");
    ASSERT_TRUE(testlink::MakeUnixLink(scratch / L"Nowhere", scratch / L"Link"));
    for (const wchar_t* level : {L"File", L"Link"}) {
        request.targetFolder = scratch / (level + std::wstring(L"\\Lumiscope"));
        EXPECT_EQ(RunInstall(request), InstallStatus::FolderNotCreated) << level;
        EXPECT_EQ(LoggedText(), kCannotCreate + ": " + Latin1(request.targetFolder) + "\\") << level;
        ::DeleteFileW((scratch / L"Lumiscope_Install.log").c_str());
    }
    EXPECT_FALSE(Exists(scratch / L"Nowhere"));
}

// A file of the payload that cannot be put in place (a folder has its name): the failure names
// the folder first, and everything the run wrote and made is taken back.
TEST_F(SilentInstallFailure, PayloadThatCannotBeWrittenLogsTheFolderFirstAndIsTakenBack) {
    request.targetFolder = scratch / L"New\\Target";
    ASSERT_TRUE(::CreateDirectoryW((scratch / L"New").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((scratch / L"New\\Target").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((scratch / L"New\\Target\\lu_scp64.exe").c_str(), nullptr));
    EXPECT_EQ(RunInstall(request), InstallStatus::PayloadFailed);
    const std::string logged = LoggedText();
    const std::string folderPart = Latin1(scratch / L"New\\Target\\") + ": ";
    EXPECT_EQ(logged.substr(0, folderPart.size()), folderPart);
    EXPECT_EQ(logged.substr(folderPart.size(), kInstallErrorStart.size()), kInstallErrorStart);
    size_t entries = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch / L"New")) entries += entry.exists();
    EXPECT_EQ(entries, 2u);  // the target and the folder in the viewer's place, as they were
}

TEST_F(SilentInstallFailure, FoldersThatNameNoPlaceOrLeaveNoRoomAreRefusedBeforeAnythingIsCreated) {
    // One character too long for the payload's deepest file below it.
    PayloadArchive payload;
    ASSERT_TRUE(payload.LoadFromResource());
    const size_t roomlessSize = 259 - payload.LongestName();  // with its backslash: 260 - longest
    const std::wstring roomless = scratch / (L"New\\" + std::wstring(roomlessSize - scratch.path().size() - 5, L'x'));
    for (const std::wstring& folder : {scratch / (L"New\\" + std::wstring(260, L'x')), roomless,
                                       std::wstring(L"New\\Lumiscope"), std::wstring(L"C:New\\Lumiscope"),
                                       std::wstring(L"\\New\\Lumiscope")}) {
        request.targetFolder = folder;
        EXPECT_EQ(RunInstall(request), InstallStatus::InvalidFolder) << folder.size();
        EXPECT_FALSE(Exists(scratch / L"New")) << folder.size();
        const std::string logged = OnlyLogEntryText(ReadBytes(scratch / L"Lumiscope_Install.log"));
        EXPECT_EQ(logged, kInvalidFolder + ": " + Latin1(folder));
        ::DeleteFileW((scratch / L"Lumiscope_Install.log").c_str());
    }
}

TEST(WizardInstallFailure, EmptyTargetIsAnErrorBoxWithTheCaptionAndNoLog) {
    ScratchFolder scratch;
    const std::wstring previous = CurrentDirectory();
    ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));
    InstallRequest request;  // wizard mode

    testsupport::BoxAnswerer answer(::GetCurrentThreadId(), IDOK);
    EXPECT_EQ(RunInstall(request), InstallStatus::InvalidFolder);
    answer.Wait();
    ::SetCurrentDirectoryW(previous.c_str());
    EXPECT_EQ(answer.text(), L"Ung\u00fcltiges Zielverzeichnis!");
    EXPECT_EQ(answer.caption(), L"Lumiscope 64-bit Setup");
    EXPECT_FALSE(Exists(scratch / L"Lumiscope_Install.log"));
}

TEST(SilentInstall, EverythingNamesTheFolderAsItWasMade) {
    ScratchFolder scratch;
    testsupport::ScratchRegistry registry{L"blanklevel"};
    ScopedEnvironment tmp{L"TMP", scratch.path().c_str()};
    ScopedEnvironment temp{L"TEMP", scratch.path().c_str()};
    const std::wstring previous = CurrentDirectory();
    InstallRequest request;
    request.silent = 1;
    request.targetFolder = scratch / L"Blank  \\Lumiscope";
    EXPECT_EQ(RunInstall(request), InstallStatus::Done);
    ::SetCurrentDirectoryW(previous.c_str());

    const std::wstring made = scratch / L"Blank\\Lumiscope\\";
    EXPECT_TRUE(Exists(made + L"lu_scp64.exe"));
    EXPECT_TRUE(Exists(made + L"lu_scp64.ini"));
    const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
    EXPECT_EQ(testsupport::ReadString(HKEY_LOCAL_MACHINE, uninstall, L"InstallLocation"), made);
    EXPECT_EQ(testsupport::ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command", nullptr),
              L"\"" + made + L"lu_scp64.exe\" \"%1\"");
}

namespace {

struct DistrustedRunningAccount {
    DistrustedRunningAccount() { DistrustRunningAccountForTesting(true); }
    ~DistrustedRunningAccount() { DistrustRunningAccountForTesting(false); }
};

}  // namespace

// With the running account taken for anyone else's (as on a machine whose folders a user
// made), every existing folder here is one others may replace. Refused first, naming the
// highest such level, nothing changed; accepted with /unsafefolder=1, the step log notes it
// and the existing program folder is made safe.
TEST(SilentInstall, FolderOthersMayReplaceIsRefusedUnlessTheRiskIsAccepted) {
    ScratchFolder scratch;
    testsupport::ScratchRegistry registry{L"unsafe"};
    ScopedEnvironment tmp{L"TMP", scratch.path().c_str()};
    ScopedEnvironment temp{L"TEMP", scratch.path().c_str()};
    const std::wstring previous = CurrentDirectory();
    const std::wstring target = scratch / L"Existing\\";
    const std::wstring topLevel = scratch.path().substr(0, scratch.path().find(L'\\', 3));
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));
    InstallRequest request;
    request.silent = 1;
    request.targetFolder = target;
    InstallStatus refused, accepted;
    {
        DistrustedRunningAccount distrusted;
        refused = RunInstall(request);
        StepLog log;
        std::wstring why;
        ASSERT_TRUE(log.Open(scratch / L"steps.log", why));
        ScopedJournal listening(log);
        request.unsafeFolder = 1;
        accepted = RunInstall(request);
    }
    ::SetCurrentDirectoryW(previous.c_str());

    EXPECT_EQ(refused, InstallStatus::FolderNotCreated);
    EXPECT_EQ(OnlyLogEntryText(ReadBytes(scratch / L"Lumiscope_Install.log")),
              "Kann Zielverzeichnis nicht erstellen!: " + Latin1(target) +
                  ": andere Benutzer als Administratoren d\xfc" "rfen " + Latin1(topLevel) +
                  " l\xf6schen, umbenennen oder \xfc" "bernehmen. W\xe4hlen Sie einen Ordner, den nur Administratoren "
                  "\xe4ndern d\xfc" "rfen (zum Beispiel unter Program Files), oder best\xe4tigen Sie das Risiko mit "
                  "/unsafefolder=1.");
    EXPECT_EQ(accepted, InstallStatus::Done);
    const std::string steps = ReadBytes(scratch / L"steps.log");
    EXPECT_NE(steps.find("others than administrators may delete, rename or take over " + Latin1(topLevel) +
                         " (accepted with /unsafefolder=1)"),
              std::string::npos);
    const size_t madeSafe = steps.find("made safe (O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU); kept on a rollback), was O:");
    ASSERT_NE(madeSafe, std::string::npos) << steps.substr(0, 4000);
    EXPECT_EQ(steps.substr(steps.find(": ", steps.find("was O:", madeSafe)), target.size() + 1),
              ": " + Latin1(target.substr(0, target.size() - 1)));
}
