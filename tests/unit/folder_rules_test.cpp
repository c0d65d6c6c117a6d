#include <gtest/gtest.h>

#include <vector>

#include "install/folder_rules.h"
#include "install/folders.h"

namespace {

std::wstring Trimmed(std::wstring text) {
    TrimBlanks(text);
    return text;
}

struct Rebuild {
    std::vector<std::wstring> created;
    std::wstring result;
};

Rebuild RebuildOf(const std::wstring& folder) {
    Rebuild r;
    r.result = RebuildFolderLevels(folder, [&](const std::wstring& level) { r.created.push_back(level); });
    return r;
}

}  // namespace

TEST(FolderRules, TrimBlanksTakesOnlyBlanksAndLeadingOnesOnlyBelow260) {
    EXPECT_EQ(Trimmed(L"  C:\\A B  "), L"C:\\A B");
    EXPECT_EQ(Trimmed(L"\tC:\\A\t"), L"\tC:\\A\t");
    EXPECT_EQ(Trimmed(L"    "), L"");
    EXPECT_EQ(Trimmed(L""), L"");
    std::wstring longText = L" " + std::wstring(259, L'a');  // 260 characters: leading blank stays
    EXPECT_EQ(Trimmed(longText), longText);
    std::wstring fits = L" " + std::wstring(258, L'a');
    EXPECT_EQ(Trimmed(fits), std::wstring(258, L'a'));
}

TEST(FolderRules, BackslashIsAppendedUpTo258Characters) {
    std::wstring folder(258, L'a');
    AppendBackslashIfRoom(folder);
    EXPECT_EQ(folder.size(), 259u);
    EXPECT_EQ(folder.back(), L'\\');
    std::wstring full(259, L'a');
    AppendBackslashIfRoom(full);
    EXPECT_EQ(full, std::wstring(259, L'a'));
    std::wstring ends = L"C:\\X\\";
    AppendBackslashIfRoom(ends);
    EXPECT_EQ(ends, L"C:\\X\\");
}

TEST(FolderRules, DefaultFolderFromProgramFiles) {
    EXPECT_EQ(DefaultFolderFromProgramFiles(nullptr), L"C:\\Lumiscope\\");
    std::wstring plain = L"C:\\Program Files";
    EXPECT_EQ(DefaultFolderFromProgramFiles(&plain), L"C:\\Program Files\\Lumiscope");
    std::wstring slashed = L"D:\\Progs\\";
    EXPECT_EQ(DefaultFolderFromProgramFiles(&slashed), L"D:\\Progs\\Lumiscope");
    std::wstring tooLong = L"C:\\" + std::wstring(250, L'p');  // with "\Lumiscope" beyond 259
    EXPECT_EQ(DefaultFolderFromProgramFiles(&tooLong), L"C:\\Lumiscope\\");
}

TEST(FolderRules, RegisteredOpenCommandGivesTheViewersFolder) {
    std::wstring folder = L"stale";
    EXPECT_TRUE(ViewerFolderFromOpenCommand(L"\"C:\\Tools\\Lumiscope\\lu_scp64.exe\" \"%1\"", folder));
    EXPECT_EQ(folder, L"C:\\Tools\\Lumiscope\\");

    EXPECT_FALSE(ViewerFolderFromOpenCommand(L"\"C:\\Tools\\Lumiscope\\LU_SCP64.EXE\" \"%1\"", folder));
    EXPECT_EQ(folder, L"");
    EXPECT_FALSE(ViewerFolderFromOpenCommand(L"", folder));

    // Without the leading quote the first character is lost all the same.
    EXPECT_TRUE(ViewerFolderFromOpenCommand(L"C:\\Tools\\lu_scp64.exe \"%1\"", folder));
    EXPECT_EQ(folder, L":\\Tools\\");
    EXPECT_TRUE(ViewerFolderFromOpenCommand(L"\"D:lu_scp64.exe\"", folder));
    EXPECT_EQ(folder, L"D:\\");

    std::wstring tooLong = L"\"C:\\" + std::wstring(250, L'x') + L"\\lu_scp64.exe\" \"%1\"";
    EXPECT_FALSE(ViewerFolderFromOpenCommand(tooLong, folder));
}

TEST(FolderRules, RebuildTrimsEveryLevelAndCreatesEachInTurn) {
    Rebuild r = RebuildOf(L"D:\\A \\B\\");
    EXPECT_EQ(r.result, L"D:\\A\\B\\");
    EXPECT_EQ(r.created, (std::vector<std::wstring>{L"D:", L"D:\\A", L"D:\\A\\B"}));

    Rebuild lastWithoutSlash = RebuildOf(L"D:\\A\\B");
    EXPECT_EQ(lastWithoutSlash.result, L"D:\\A\\B");
    EXPECT_EQ(lastWithoutSlash.created, (std::vector<std::wstring>{L"D:", L"D:\\A"}));
}

TEST(FolderRules, RebuildKeepsTheTwoBackslashesOfANetworkPath) {
    Rebuild r = RebuildOf(L"\\\\server\\share \\dir\\");
    EXPECT_EQ(r.result, L"\\\\server\\share\\dir\\");
    EXPECT_EQ(r.created, (std::vector<std::wstring>{L"\\\\server", L"\\\\server\\share", L"\\\\server\\share\\dir"}));
}

TEST(FolderRules, RebuildOfA259CharacterPathLeavesItsLastLevelAlone) {
    std::wstring folder = L"C:\\" + std::wstring(100, L'a') + L"\\" + std::wstring(155, L'b');
    ASSERT_EQ(folder.size(), 259u);
    Rebuild r = RebuildOf(folder);
    EXPECT_EQ(r.result, folder);
    ASSERT_EQ(r.created.size(), 2u);
    EXPECT_EQ(r.created.back(), L"C:\\" + std::wstring(100, L'a'));
    // Characters past the 259th are never looked at.
    EXPECT_EQ(RebuildOf(folder + L"\\c\\").result, folder);
}
