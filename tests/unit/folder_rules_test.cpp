#include <gtest/gtest.h>

#include <vector>

#include "install/request/folder_rules.h"
#include "install/request/folders.h"

namespace {

std::wstring Trimmed(std::wstring text) {
    TrimBlanks(text);
    return text;
}

// The rebuilt path and every level handed over for creation, in order.
std::vector<std::wstring> Rebuild(const std::wstring& folder) {
    std::vector<std::wstring> seen;
    std::wstring result = RebuildFolderLevels(folder, seen);
    seen.push_back(L"=" + result);
    return seen;
}

}  // namespace

TEST(FolderRules, TrimBlanksTakesOnlyBlanksAndLeadingOnesOnlyBelow260) {
    EXPECT_EQ(Trimmed(L"  C:\\A B  "), L"C:\\A B");
    EXPECT_EQ(Trimmed(L"\tC:\\A\t"), L"\tC:\\A\t");
    EXPECT_EQ(Trimmed(L"    "), L"");
    std::wstring longText = L" " + std::wstring(259, L'a');
    EXPECT_EQ(Trimmed(longText), longText);
    EXPECT_EQ(Trimmed(L" " + std::wstring(258, L'a')), std::wstring(258, L'a'));
}

TEST(FolderRules, RegisteredOpenCommandGivesTheViewersFolder) {
    std::wstring folder;
    EXPECT_TRUE(ViewerFolderFromOpenCommand(L"\"C:\\Tools\\Lumiscope\\lu_scp64.exe\" \"%1\"", folder));
    EXPECT_EQ(folder, L"C:\\Tools\\Lumiscope\\");
    EXPECT_FALSE(ViewerFolderFromOpenCommand(L"\"C:\\Tools\\LU_SCP64.EXE\" \"%1\"", folder));
    EXPECT_EQ(folder, L"");
    // Without the leading quote the first character is lost, and what is left names no place.
    EXPECT_FALSE(ViewerFolderFromOpenCommand(L"C:\\Tools\\lu_scp64.exe \"%1\"", folder));
    EXPECT_EQ(folder, L"");
    EXPECT_FALSE(ViewerFolderFromOpenCommand(L"\"lu_scp64.exe\" \"%1\"", folder));
    EXPECT_TRUE(ViewerFolderFromOpenCommand(L"\"D:lu_scp64.exe\"", folder));
    EXPECT_EQ(folder, L"D:\\");
    EXPECT_FALSE(ViewerFolderFromOpenCommand(L"\"C:\\" + std::wstring(250, L'x') + L"\\lu_scp64.exe\" \"%1\"", folder));
}

TEST(FolderRules, OnlyFoldersThatNameAPlaceOfTheirOwnAreAbsolute) {
    for (const wchar_t* folder : {L"C:\\", L"c:\\Apps\\X", L"\\\\server\\share", L"\\\\srv"})
        EXPECT_TRUE(IsAbsoluteFolder(folder)) << folder;
    for (const wchar_t* folder : {L"", L"Apps\\X", L"C:Apps\\X", L"C:", L"\\Apps", L"\\\\", L"\\\\\\x",
                                  L"\\\\?\\C:\\x", L"\\\\.\\pipe\\x", L"1:\\x", L"C:/Apps", L" C:\\x"})
        EXPECT_FALSE(IsAbsoluteFolder(folder)) << folder;
    EXPECT_EQ(DefaultFolderFromProgramFiles(nullptr), L"C:\\Lumiscope\\");
    for (const wchar_t* programFiles : {L"", L"Programme", L"\\Programme"}) {
        std::wstring value = programFiles;
        EXPECT_EQ(DefaultFolderFromProgramFiles(&value), L"C:\\Lumiscope\\") << programFiles;
    }
}

TEST(FolderRules, TargetMustLeaveRoomForTheLongestPathBelowIt) {
    const std::wstring folder = L"C:\\" + std::wstring(225, L'a');  // 228 characters, 229 with "\\"
    EXPECT_TRUE(LeavesRoomFor(folder, 30));
    EXPECT_TRUE(LeavesRoomFor(folder + L"\\   ", 30));
    EXPECT_FALSE(LeavesRoomFor(folder, 31));
    EXPECT_FALSE(LeavesRoomFor(folder + L"b", 30));
}

TEST(FolderRules, RebuildTrimsEveryLevelAndKeepsANetworkPathsBackslashes) {
    EXPECT_EQ(Rebuild(L"D:\\A \\B\\"), (std::vector<std::wstring>{L"D:", L"D:\\A", L"D:\\A\\B", L"=D:\\A\\B\\"}));
    EXPECT_EQ(Rebuild(L"\\\\srv\\share \\d"),
              (std::vector<std::wstring>{L"\\\\srv", L"\\\\srv\\share", L"=\\\\srv\\share\\d"}));
}

TEST(FolderRules, A259CharacterPathGetsNoBackslashAndItsLastLevelIsNotCreated) {
    std::wstring folder = L"C:\\" + std::wstring(100, L'a') + L"\\" + std::wstring(155, L'b');
    ASSERT_EQ(folder.size(), 259u);
    // Characters past the 259th are never looked at.
    EXPECT_EQ(Rebuild(folder + L"\\c\\"), (std::vector<std::wstring>{L"C:", L"C:\\" + std::wstring(100, L'a'), L"=" + folder}));
    std::wstring full = folder;
    AppendBackslashIfRoom(full);
    EXPECT_EQ(full, folder);
    std::wstring shorter = folder.substr(1);
    AppendBackslashIfRoom(shorter);
    EXPECT_EQ(shorter.back(), L'\\');
}
