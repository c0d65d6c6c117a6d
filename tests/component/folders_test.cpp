#include <gtest/gtest.h>

#include <vector>

#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "install/request/folders.h"

using namespace enginetest;

namespace {

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command";

bool IsFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Names as stored (a path lookup would ignore trailing blanks and so cannot tell).
std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    return names;
}

}  // namespace

TEST(EnsureFolderExistsOnDisk, CreatesEveryLevelWithoutItsTrailingBlanks) {
    ScratchFolder scratch;
    const std::wstring before = CurrentDirectory();
    std::wstring folder = L" " + scratch.path() + L"\\A \\B \\C";
    EXPECT_TRUE(EnsureFolderExists(folder));
    EXPECT_EQ(folder, scratch.path() + L"\\A\\B\\C\\");
    EXPECT_TRUE(IsFolder(scratch / L"A\\B\\C"));
    EXPECT_EQ(NamesIn(scratch.path()), std::vector<std::wstring>{L"A"});
    EXPECT_EQ(NamesIn(scratch / L"A"), std::vector<std::wstring>{L"B"});
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST(EnsureFolderExistsOnDisk, ExistingFolderGetsItsBackslashBlankOrOverlongTextsAreRefused) {
    ScratchFolder scratch;
    std::wstring folder = scratch.path();
    EXPECT_TRUE(EnsureFolderExists(folder));
    EXPECT_EQ(folder, scratch.path() + L"\\");

    std::wstring blanks = L"    ";
    EXPECT_FALSE(EnsureFolderExists(blanks));
    EXPECT_EQ(blanks, L"");
    std::wstring overlong = scratch / std::wstring(260, L'x');
    const std::wstring original = overlong;
    EXPECT_FALSE(EnsureFolderExists(overlong));
    EXPECT_EQ(overlong, original);
}

TEST(EnsureFolderExistsOnDisk, DriveThatDoesNotExistFailsWithTheNormalisedText) {
    const std::wstring drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    const std::wstring before = CurrentDirectory();
    std::wstring folder = drive + L"\\Lumi \\Sub";
    EXPECT_FALSE(EnsureFolderExists(folder));
    EXPECT_EQ(folder, drive + L"\\Lumi\\Sub\\");
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST(InstallFolderProposals, DefaultFolderFollowsTheProgramFilesValue) {
    testsupport::ScratchRegistry hive{L"engine", false};
    EXPECT_EQ(GetDefaultInstallFolder(), L"C:\\Lumiscope\\");
    ASSERT_TRUE(
        testsupport::WriteString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir", L"C:\\Program Files"));
    EXPECT_EQ(GetDefaultInstallFolder(), L"C:\\Program Files\\Lumiscope");
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir",
                                         L"C:\\" + std::wstring(300, L'p')));
    EXPECT_EQ(GetDefaultInstallFolder(), L"C:\\Lumiscope\\");
}

TEST(InstallFolderProposals, RegisteredViewerFolderComesFromItsOpenCommand) {
    testsupport::ScratchRegistry hive{L"engine", false};
    std::wstring folder = L"stale";
    EXPECT_FALSE(GetRegisteredViewerFolder(folder));
    EXPECT_EQ(folder, L"");

    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                                         L"\"C:\\Tools\\Lumiscope\\lu_scp64.exe\" \"%1\""));
    EXPECT_TRUE(GetRegisteredViewerFolder(folder));
    EXPECT_EQ(folder, L"C:\\Tools\\Lumiscope\\");

    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                                         L"\"C:\\Tools\\Lumiscope\\LU_SCP64.EXE\" \"%1\""));
    EXPECT_FALSE(GetRegisteredViewerFolder(folder));
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, L""));
    EXPECT_FALSE(GetRegisteredViewerFolder(folder));
}
