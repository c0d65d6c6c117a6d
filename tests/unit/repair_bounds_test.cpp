// The bounds of a repair: a transaction log is acted on only when everything it names lies
// where an installation of the product can have written.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "install/recovery/log_text.h"
#include "install/recovery/repair_bounds.h"

using namespace txn;

namespace {

constexpr char kProgram[] = "program\tC:\\\\Tools\\\\L\\\\\tprocess\t7\r\n";

struct BoundsCase {
    const char* name;
    const char* lines;  // after the header and the program line
    bool inBounds;
};

void PrintTo(const BoundsCase& c, std::ostream* out) { *out << c.name; }

class RepairBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(RepairBounds, ActsOnlyWhereAnInstallationWrites) {
    const std::string lines = GetParam().lines;
    const ParsedLog log = ParseLog(std::string(kLogHeader) + "\r\n" + kProgram + lines + "\r\n");
    ASSERT_EQ(log.actions.size(), static_cast<size_t>(std::count(lines.begin(), lines.end(), '\n') + 1))
        << "a line does not read";
    EXPECT_EQ(OutsideBounds(log).empty(), GetParam().inBounds);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RepairBounds,
    ::testing::Values(
        BoundsCase{"PayloadFile", "replace\tC:\\\\Tools\\\\L\\\\Help\\\\liesmich.txt\t0", true},
        BoundsCase{"BackupInProgram", "backup\tC:\\\\Tools\\\\L\\\\lu_scp64.exe", true},
        BoundsCase{"StagedTree", "tree\tC:\\\\Tools\\\\L\\\\Help", true},
        BoundsCase{"ProgramFolderItself", "folder\tC:\\\\Tools\\\\L\\\\", true},
        BoundsCase{"LevelAboveProgram", "folder\tC:\\\\Tools", true},
        BoundsCase{"DesktopLink", "replace\tC:\\\\Users\\\\Public\\\\Desktop\\\\Lumiscope 64.lnk\t1", true},
        BoundsCase{"EarlierGroupLink", "aside\tC:\\\\ProgramData\\\\Start Menu\\\\Lumiscope\\\\Lumiscope 64 4.67.lnk", true},
        BoundsCase{"SettingsFile", "replace\tC:\\\\Users\\\\a\\\\AppData\\\\Roaming\\\\Lumiscope\\\\lu_scp64.ini\t1", true},
        BoundsCase{"SettingsCopy", "replace\tD:\\\\Settings\\\\lu_scp64.ini.bak\t0", true},
        BoundsCase{"ProductKey", "key\tHKLM\tSOFTWARE\\\\Classes\\\\Lumiscope", true},
        BoundsCase{"TableValue", "value\tHKLM\tSOFTWARE\\\\RegisteredApplications\tLumiscope\tabsent\tabsent", true},
        BoundsCase{"SystemFile", "replace\tC:\\\\Windows\\\\System32\\\\system.dll\t0", false},
        BoundsCase{"SystemBackup", "backup\tC:\\\\Windows\\\\System32\\\\system.dll", false},
        BoundsCase{"DotDotOutOfProgram", "replace\tC:\\\\Tools\\\\L\\\\..\\\\..\\\\Windows\\\\win.ini\t0", false},
        BoundsCase{"ProgramSiblingByPrefix", "replace\tC:\\\\Tools\\\\Lx\\\\a.dll\t0", false},
        BoundsCase{"TreeIsTheProgramFolder", "tree\tC:\\\\Tools\\\\L", false},
        // A level the run made last is one whose file it never reached; one before other
        // changes must hold one of its files.
        BoundsCase{"FolderMadeLast", "key\tHKLM\tSOFTWARE\\\\Lumiscope\r\nfolder\tD:\\\\Settings", true},
        BoundsCase{"FolderAboveItsSettingsFile",
                   "folder\tD:\\\\Settings\r\nreplace\tD:\\\\Settings\\\\lu_scp64.ini\t0", true},
        BoundsCase{"ForeignFolder", "folder\tC:\\\\Victim\r\nkey\tHKLM\tSOFTWARE\\\\Lumiscope", false},
        BoundsCase{"DriveOfAMissingDriveIsNeverActedOn", "folder\tQ:\r\nkey\tHKLM\tSOFTWARE\\\\Lumiscope", true},
        BoundsCase{"LinkNameOutsideGroup", "replace\tC:\\\\Other\\\\Lumiscope 64 4.67.lnk\t1", false},
        BoundsCase{"DebuggerValue",
                   "value\tHKLM\tSOFTWARE\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Image File Execution "
                   "Options\\\\lu_scp64.exe\tDebugger\tabsent\t1:6300",
                   false},
        BoundsCase{"RunValue", "value\tHKLM\tSOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run\tx\tabsent\t1:6300",
                   false},
        BoundsCase{"RestartsPendingRenames",
                   "value\tHKLM\tSYSTEM\\\\CurrentControlSet\\\\Control\\\\Session Manager\tPendingFileRenameOperations\t"
                   "absent\tabsent",
                   true},
        BoundsCase{"OtherSessionManagerValue",
                   "value\tHKLM\tSYSTEM\\\\CurrentControlSet\\\\Control\\\\Session Manager\tBootExecute\tabsent\tabsent",
                   false},
        BoundsCase{"ForeignKey", "key\tHKLM\tSOFTWARE\\\\Policies", false},
        BoundsCase{"ForeignDeletedKey", "deleted\tHKLM\tSOFTWARE\\\\Classes\\\\.jpg", false}),
    [](const auto& info) { return std::string(info.param.name); });

// Nothing of a log that names one place outside is done: the whole log is judged, not a line.
TEST(RepairBoundsLog, OneForeignLineOutOfManyIsNamed) {
    const std::string text = std::string(kLogHeader) + "\r\n" + kProgram +
                             "replace\tC:\\\\Tools\\\\L\\\\lu_scp64.exe\t1\r\n"
                             "replace\tC:\\\\Windows\\\\notepad.exe\t1\r\n"
                             "key\tHKLM\tSOFTWARE\\\\Lumiscope\r\n";
    const std::vector<std::wstring> outside = OutsideBounds(ParseLog(text));
    ASSERT_EQ(outside.size(), 1u);
    EXPECT_NE(outside[0].find(L"C:\\Windows\\notepad.exe"), std::wstring::npos);
}

TEST(RepairLogText, OnlyTheBackupsTheLogNamesWereMade) {
    const ParsedLog log = ParseLog(std::string(kLogHeader) + "\r\n" + kProgram +
                                   "replace\tC:\\\\Tools\\\\L\\\\a.dll\t1\r\nbackup\tC:\\\\Tools\\\\L\\\\A.DLL\r\n"
                                   "replace\tC:\\\\Tools\\\\L\\\\b.dll\t0\r\n");
    EXPECT_TRUE(MadeBackup(log, L"C:\\Tools\\L\\a.dll"));
    EXPECT_FALSE(MadeBackup(log, L"C:\\Tools\\L\\b.dll"));
}

}  // namespace
