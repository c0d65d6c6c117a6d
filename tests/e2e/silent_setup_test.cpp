#include <gtest/gtest.h>

#include <windows.h>

#include "support/engine_scratch.h"
#include "support/paths.h"
#include "support/running_viewer.h"
#include "support/setup_runner.h"

namespace {

using testsupport::RunSetup;
using testsupport::SetupRun;
using testsupport::kStillRunning;

}  // namespace

using namespace enginetest;

TEST(SilentSetup, EmptyFolderOptionEndsWithCode2AndItsLogEntry) {
    ScratchFolder folder;
    SetupRun run = RunSetup(L"/silent /folder= /desktop=1", folder.path());
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ(OnlyLogEntryText(ReadBytes(folder / L"Lumiscope_Install.log")), "Ung\xfcltiges Zielverzeichnis!: ");
}

TEST(SilentSetup, StepLogEndsWithTheExitCodeAndItsMeaning) {
    ScratchFolder folder;
    SetupRun run = RunSetup(L"/silent /folder= /log=\"" + (folder / L"step s.log") + L"\"", folder.path());
    EXPECT_EQ(run.exitCode, 2u);
    const std::string log = ReadBytes(folder / L"step s.log");
    EXPECT_EQ(log.substr(0, 1), "[");
    const std::string last = "] setup: exit code 2: not installed: invalid target folder\r\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
}

TEST(SilentSetup, RunningViewerIsOneTwoLineEntryAndNothingElse) {
    testsupport::RunningViewer viewer;
    ASSERT_TRUE(viewer.exists());
    ScratchFolder folder;
    const std::wstring target = folder / L"Target";
    SetupRun run = RunSetup(L"/silent /folder=\"" + target + L"\"", folder.path());
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(OnlyLogEntryText(ReadBytes(folder / L"Lumiscope_Install.log")),
              "Warnung: Lumiscope l\xe4uft!\r\nBeenden Sie bitte Lumiscope bevor Sie mit der Installation fortsetzen!");
    EXPECT_FALSE(std::filesystem::exists(target));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) files += entry.exists();
    EXPECT_EQ(files, 1u);
}

TEST(SilentSetup, CapitalSilentTakesTheWizardPath) {
    ScratchFolder folder;
    SetupRun run = RunSetup(L"/SILENT /folder=", folder.path());
    // The wizard either ended without installing or was showing its window when it was ended;
    // a silent run would have refused the empty folder with code 2 and a log entry.
    EXPECT_TRUE(run.exitCode == 5u || run.showedWindow) << run.exitCode;
    EXPECT_EQ(ReadBytes(folder / L"Lumiscope_Install.log"), "");
}
