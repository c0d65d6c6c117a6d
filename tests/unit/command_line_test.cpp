#include <gtest/gtest.h>

#include <climits>

#include "app/command_line.h"

namespace {

const std::wstring kExe = L"\"C:\\dl\\Lumiscope64Setup.exe\" /silent ";
const std::wstring kProposed = L"C:\\Program Files\\Lumiscope";

InstallRequest Parse(const std::wstring& options, const std::wstring& ini = L"%APPDATA%\\Lumiscope") {
    return ParseSilentCommandLine(kExe + options, kProposed, ini);
}

int SelectedCount(const InstallRequest& r) {
    int n = 0;
    for (int v : r.assocSelection) n += v != 0;
    return n;
}

}  // namespace

TEST(SilentCommandLine, SilentIsAnExactCaseSubstring) {
    EXPECT_TRUE(IsSilentCommandLine(L"setup.exe /silent"));
    EXPECT_TRUE(IsSilentCommandLine(L"setup.exe /folder=x/silentious"));
    EXPECT_FALSE(IsSilentCommandLine(L"setup.exe /SILENT"));
    EXPECT_FALSE(IsSilentCommandLine(L"setup.exe /Silent"));
    EXPECT_FALSE(IsSilentCommandLine(L"setup.exe -silent"));
}

TEST(SilentCommandLine, WithoutOptionsTheProposalsStand) {
    InstallRequest r = Parse(L"");
    EXPECT_EQ(r.targetFolder, kProposed);
    EXPECT_EQ(r.iniFolder, L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(r.startMenuGroup + r.desktopShortcut + r.thumbnailsShortcut + r.allUsers, 0);
    EXPECT_EQ(SelectedCount(r), 0);
    EXPECT_EQ(r.associate, 0);
    EXPECT_EQ(r.silent, 1);
    EXPECT_EQ(r.caption, L"Lumiscope 64-bit Setup");
}

TEST(SilentCommandLine, FolderValueEndsBeforeTheNextSlashAndLosesBlanksAndQuotes) {
    InstallRequest r = Parse(L"/folder=D:\\Apps\\Viewer /desktop=1");
    EXPECT_EQ(r.targetFolder, L"D:\\Apps\\Viewer");
    EXPECT_EQ(r.desktopShortcut, 1);
    EXPECT_EQ(r.startMenuGroup, 0);
    EXPECT_EQ(r.thumbnailsShortcut, 0);
    EXPECT_EQ(r.associate, 0);

    EXPECT_EQ(Parse(L"/folder=\"D:\\My Apps\\Viewer\" /group=1").targetFolder, L"D:\\My Apps\\Viewer");
    EXPECT_EQ(Parse(L"/folder=D:/Apps").targetFolder, L"D:");
}

TEST(SilentCommandLine, EmptyValuesReplaceTheProposals) {
    InstallRequest r = Parse(L"/folder=/ini=/desktop=1");
    EXPECT_EQ(r.targetFolder, L"");
    EXPECT_EQ(r.iniFolder, L"");
    EXPECT_EQ(r.desktopShortcut, 1);
}

TEST(SilentCommandLine, IniValueIsKeptUnexpanded) {
    EXPECT_EQ(Parse(L"/ini=\"%LOCALAPPDATA%\\Lumi Settings\"  ", L"").iniFolder, L"%LOCALAPPDATA%\\Lumi Settings");
}

TEST(SilentCommandLine, OptionsNeedNoBlankBetweenThemAndOnlyTheFirstCounts) {
    InstallRequest r = Parse(L"/group=1/desktop=1 /thumbs=7 /allusers=-3 /group=0 /folder=E:\\A /folder=F:\\B");
    EXPECT_EQ(r.startMenuGroup, 1);
    EXPECT_EQ(r.desktopShortcut, 1);
    EXPECT_EQ(r.thumbnailsShortcut, 7);
    EXPECT_EQ(r.allUsers, -3);
    EXPECT_EQ(r.targetFolder, L"E:\\A");
}

TEST(SilentCommandLine, OptionNamesAreCaseSensitive) {
    InstallRequest r = Parse(L"/Desktop=1 /FOLDER=E:\\X");
    EXPECT_EQ(r.desktopShortcut, 0);
    EXPECT_EQ(r.targetFolder, kProposed);
}

TEST(SilentCommandLine, AssocOneSelectsTheImageRowsTwoSelectsAllOthersNothing) {
    InstallRequest images = Parse(L"/assoc=1");
    EXPECT_EQ(images.associate, 1);
    EXPECT_EQ(SelectedCount(images), 49);
    EXPECT_EQ(images.assocSelection[48], 1);
    EXPECT_EQ(images.assocSelection[49], 0);

    InstallRequest all = Parse(L"/assoc=2");
    EXPECT_EQ(all.associate, 1);
    EXPECT_EQ(SelectedCount(all), 64);

    for (const wchar_t* other : {L"/assoc=3", L"/assoc=0", L"/assoc=-1", L"/assoc=x"}) {
        InstallRequest none = Parse(other);
        EXPECT_EQ(none.associate, 0) << other;
        EXPECT_EQ(SelectedCount(none), 0) << other;
    }
}

TEST(SilentCommandLine, NumbersConvertLikeWcstol) {
    EXPECT_EQ(ParseDecimal(L"yes"), 0);
    EXPECT_EQ(ParseDecimal(L""), 0);
    EXPECT_EQ(ParseDecimal(L"2"), 2);
    EXPECT_EQ(ParseDecimal(L" \t+12abc"), 12);
    EXPECT_EQ(ParseDecimal(L"-40 "), -40);
    EXPECT_EQ(ParseDecimal(L"- 4"), 0);
    EXPECT_EQ(ParseDecimal(L"99999999999"), INT_MAX);
    EXPECT_EQ(ParseDecimal(L"-99999999999"), INT_MIN);
    EXPECT_EQ(ParseDecimal(L"-2147483648"), INT_MIN);
    EXPECT_EQ(Parse(L"/desktop=yes").desktopShortcut, 0);
    EXPECT_EQ(Parse(L"/desktop=2").desktopShortcut, 2);
}

TEST(SilentCommandLine, TrimBlanksAndQuotesOrder) {
    struct Case { const wchar_t* in; const wchar_t* out; };
    for (Case c : {Case{L"\"C:\\My Folder\" ", L"C:\\My Folder"}, Case{L"\"", L""}, Case{L"\"\"", L""},
                   Case{L"  C:\\X  ", L"  C:\\X"}, Case{L"\"C:\\X  \"  ", L"C:\\X"}, Case{L"C:\\\"X\"\"", L"C:\\\"X\""},
                   Case{L"   ", L""}}) {
        std::wstring text = c.in;
        TrimBlanksAndQuotes(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(SilentCommandLine, ValueSpanIs260FromTheOptionsFirstCharacter) {
    std::wstring line = L"/folder=" + std::wstring(300, L'a');
    EXPECT_EQ(ParseSilentOption(line, 0, 8).size(), 252u);
    EXPECT_EQ(ParseSilentOption(L"x/ini=" + std::wstring(300, L'b'), 1, 5).size(), 255u);
    EXPECT_EQ(ParseSilentOption(L"/group=12", 0, 7), L"12");
}

TEST(SilentCommandLine, OnlyTheFirst519CharactersAreRead) {
    // The option itself starts at character 519 or later: it is not seen.
    std::wstring padding(519 - kExe.size(), L'x');
    EXPECT_EQ(Parse(padding + L"/desktop=1").desktopShortcut, 0);
    // A value that runs past the cut ends there.
    std::wstring shorter(519 - kExe.size() - 12, L'x');
    InstallRequest r = Parse(shorter + L"/folder=C:\\abcdef");
    EXPECT_EQ(r.targetFolder, L"C:\\a");
    // A flag whose digits straddle the cut keeps the digits before it.
    std::wstring flagPad(519 - kExe.size() - 10, L'x');
    EXPECT_EQ(Parse(flagPad + L"/thumbs=123").thumbnailsShortcut, 12);
}
