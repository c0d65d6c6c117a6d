#include <gtest/gtest.h>

#include "support/box_answerer.h"
#include "support/engine_scratch.h"
#include "install/do_install.h"

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

TEST_F(SilentInstallFailure, MissingDriveLogsTheFolderWithABackslash) {
    const std::wstring drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    request.targetFolder = drive + L"\\Lumi";
    EXPECT_EQ(RunInstall(request), InstallStatus::FolderNotCreated);
    EXPECT_EQ(LoggedText(), kCannotCreate + ": " + Latin1(drive) + "\\Lumi\\");
    EXPECT_EQ(request.targetFolder, drive + L"\\Lumi");
}

TEST_F(SilentInstallFailure, PayloadThatCannotBeWrittenOutLogsTheFolderFirst) {
    ScopedEnvironment tmp(L"TMP", (scratch / L"no\\such\\temp").c_str());
    ScopedEnvironment temp(L"TEMP", (scratch / L"no\\such\\temp").c_str());
    request.targetFolder = scratch / L"Target";
    EXPECT_EQ(RunInstall(request), InstallStatus::PayloadFailed);
    const std::string logged = LoggedText();
    const std::string folderPart = Latin1(scratch / L"Target\\") + ": ";
    EXPECT_EQ(logged.substr(0, folderPart.size()), folderPart);
    EXPECT_EQ(logged.substr(folderPart.size(), kInstallErrorStart.size()), kInstallErrorStart);
    // The target and its Plugins folder stay: nothing is rolled back.
    EXPECT_TRUE(Exists(scratch / L"Target"));
}

TEST_F(SilentInstallFailure, TargetTooLongForAPathIsRefusedBeforeAnythingIsCreated) {
    request.targetFolder = scratch / (L"New\\" + std::wstring(260, L'x'));
    EXPECT_EQ(RunInstall(request), InstallStatus::InvalidFolder);
    EXPECT_FALSE(Exists(scratch / L"New"));
    EXPECT_EQ(LoggedText().substr(0, kInvalidFolder.size() + 2), kInvalidFolder + ": ");
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
