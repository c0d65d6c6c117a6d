#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <utility>
#include <vector>

#include "app/command_line.h"

namespace {

const std::wstring kExe = L"\"C:\\dl\\Lumiscope64Setup.exe\" /silent ";
const std::wstring kProposed = L"C:\\Program Files\\Lumiscope";

InstallRequest Parse(const std::wstring& options) {
    return ParseSilentCommandLine(kExe + options, kProposed, L"%APPDATA%\\Lumiscope");
}

int SelectedCount(const InstallRequest& r) {
    int n = 0;
    for (int v : r.assocSelection) n += v != 0;
    return n;
}

}  // namespace

TEST(SilentCommandLine, SilentAndOptionNamesAreExactCase) {
    EXPECT_TRUE(IsSilentCommandLine(L"setup.exe /folder=x/silentious"));
    EXPECT_FALSE(IsSilentCommandLine(L"setup.exe /SILENT"));
    InstallRequest r = Parse(L"/Desktop=1 /FOLDER=E:\\X");
    EXPECT_EQ(r.desktopShortcut, 0);
    EXPECT_EQ(r.targetFolder, kProposed);
}

TEST(SilentCommandLine, WithoutOptionsTheProposalsStand) {
    InstallRequest r = Parse(L"");
    EXPECT_EQ(r.targetFolder, kProposed);
    EXPECT_EQ(r.iniFolder, L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(r.startMenuGroup | r.desktopShortcut | r.thumbnailsShortcut | r.allUsers | r.associate, 0);
    EXPECT_EQ(SelectedCount(r), 0);
    EXPECT_EQ(r.silent, 1);
    EXPECT_EQ(r.caption, L"Lumiscope 64-bit Setup");
}

TEST(SilentCommandLine, FolderValuesEndBeforeTheNextSlashWithoutBlanksOrQuotes) {
    InstallRequest r = Parse(L"/folder=D:\\Apps\\Viewer /desktop=1");
    EXPECT_EQ(r.targetFolder, L"D:\\Apps\\Viewer");
    EXPECT_EQ(r.desktopShortcut, 1);
    EXPECT_EQ(Parse(L"/folder=\"D:\\My Apps\\Viewer\" /group=1").targetFolder, L"D:\\My Apps\\Viewer");
    EXPECT_EQ(Parse(L"/folder=D:/Apps").targetFolder, L"D:");
    EXPECT_EQ(Parse(L"/ini=\"%LOCALAPPDATA%\\Lumi\"  ").iniFolder, L"%LOCALAPPDATA%\\Lumi");
    InstallRequest empty = Parse(L"/folder=/ini=/desktop=1");
    EXPECT_EQ(empty.targetFolder, L"");
    EXPECT_EQ(empty.iniFolder, L"");
}

TEST(SilentCommandLine, OptionsNeedNoBlankBetweenThemAndOnlyTheFirstCounts) {
    InstallRequest r = Parse(L"/group=1/desktop=1 /thumbs=7 /allusers=-3 /group=0 /folder=E:\\A /folder=F:\\B");
    EXPECT_EQ(r.startMenuGroup, 1);
    EXPECT_EQ(r.desktopShortcut, 1);
    EXPECT_EQ(r.thumbnailsShortcut, 7);
    EXPECT_EQ(r.allUsers, -3);
    EXPECT_EQ(r.targetFolder, L"E:\\A");
    EXPECT_EQ(r.closeViewer, 0);
    EXPECT_EQ(Parse(L"/closeviewer=1/group=1").closeViewer, 1);
    EXPECT_EQ(Parse(L"/CLOSEVIEWER=1").closeViewer, 0);
}

TEST(SilentCommandLine, AssocOneSelectsTheImageRowsTwoSelectsAllOthersNothing) {
    InstallRequest images = Parse(L"/assoc=1");
    EXPECT_EQ(images.associate, 1);
    EXPECT_EQ(SelectedCount(images), 49);
    EXPECT_EQ(images.assocSelection[48], 1);
    InstallRequest all = Parse(L"/assoc=2");
    EXPECT_EQ(all.associate, 1);
    EXPECT_EQ(SelectedCount(all), 64);
    for (const wchar_t* other : {L"/assoc=3", L"/assoc=0", L"/assoc=x"}) {
        EXPECT_EQ(Parse(other).associate, 0) << other;
        EXPECT_EQ(SelectedCount(Parse(other)), 0) << other;
    }
}

TEST(SilentCommandLine, NumbersConvertLikeWcstol) {
    EXPECT_EQ(Parse(L"/desktop=yes").desktopShortcut, 0);
    EXPECT_EQ(Parse(L"/desktop=2").desktopShortcut, 2);
    EXPECT_EQ(ParseDecimal(L" \t+12abc"), 12);
    EXPECT_EQ(ParseDecimal(L"- 4"), 0);
    EXPECT_EQ(ParseDecimal(L"99999999999"), INT_MAX);
    EXPECT_EQ(ParseDecimal(L"-2147483648"), INT_MIN);
}

TEST(SilentCommandLine, TrimBlanksAndQuotesOrder) {
    struct Case { const wchar_t* in; const wchar_t* out; };
    for (Case c : {Case{L"\"C:\\My Folder\" ", L"C:\\My Folder"}, Case{L"\"\"", L""}, Case{L"  C:\\X  ", L"  C:\\X"},
                   Case{L"\"C:\\X  \"  ", L"C:\\X"}, Case{L"C:\\\"X\"\"", L"C:\\\"X\""}}) {
        std::wstring text = c.in;
        TrimBlanksAndQuotes(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(SilentCommandLine, ValuesStopAt260FromTheOptionAndTheLineAt519) {
    EXPECT_EQ(ParseSilentOption(L"/folder=" + std::wstring(300, L'a'), 0, 8).size(), 252u);
    // An option starting at the 520th character is not seen; a value running past it is cut.
    EXPECT_EQ(Parse(std::wstring(519 - kExe.size(), L'x') + L"/desktop=1").desktopShortcut, 0);
    EXPECT_EQ(Parse(std::wstring(519 - kExe.size() - 12, L'x') + L"/folder=C:\\abcdef").targetFolder, L"C:\\a");
    EXPECT_EQ(Parse(std::wstring(519 - kExe.size() - 10, L'x') + L"/thumbs=123").thumbnailsShortcut, 12);
}

TEST(SilentCommandLine, LogPathFollowsTheValueRulesInEitherMode) {
    for (const auto& [line, path] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"setup.exe", L""},
             {L"setup.exe /log=C:\\logs\\setup.log", L"C:\\logs\\setup.log"},
             {L"setup.exe /silent /log=\"C:\\My Logs\\s.log\"  /desktop=1", L"C:\\My Logs\\s.log"},
             {L"setup.exe /LOG=C:\\x.log", L""},
             {L"setup.exe /log=", L""},
             {L"setup.exe /log=C:/x.log", L"C:"},
             {L"setup.exe " + std::wstring(510, L' ') + L"/log=C:\\x.log", L""}})
        EXPECT_EQ(ParseLogOption(line), path) << line.size();
}

TEST(SilentCommandLine, HelpIsAskedByAWordOfItsOwnInAnyCase) {
    for (const wchar_t* line : {L"setup.exe /?", L"setup.exe /HELP", L"setup.exe /help/folder=C:\\x", L"setup.exe /Help\t"})
        EXPECT_TRUE(AsksForHelp(line)) << line;
    for (const wchar_t* line : {L"setup.exe", L"setup.exe /helper", L"setup.exe /?x", L"setup.exe /silent"})
        EXPECT_FALSE(AsksForHelp(line)) << line;
}

// Accepting a program folder others may replace is said in so many words, and only then.
TEST(SilentCommandLine, UnsafeFolderIsAcceptedOnlyByItsOwnOption) {
    for (const auto& [options, value, folder] : std::vector<std::tuple<std::wstring, int, std::wstring>>{
             {L"", 0, kProposed},
             {L"/unsafefolder=1", 1, kProposed},
             {L"/folder=D:\\Tools\\Lumiscope /unsafefolder=1", 1, L"D:\\Tools\\Lumiscope"},
             {L"/unsafefolder=1/folder=D:\\Tools", 1, L"D:\\Tools"},
             {L"/UNSAFEFOLDER=1", 0, kProposed},
             {L"/unsafefolder=yes", 0, kProposed}}) {
        const InstallRequest r = Parse(options);
        EXPECT_EQ(r.unsafeFolder, value) << options;
        EXPECT_EQ(r.targetFolder, folder) << options;
    }
}

TEST(CommandLine, ScopeIsTheMachinesUnlessUserIsAsked) {
    struct Case {
        const wchar_t* line;
        bool valid;
        Scope scope;
    } const cases[] = {
        {L"setup.exe /silent", true, Scope::Machine},
        {L"setup.exe /silent /scope=machine", true, Scope::Machine},
        {L"setup.exe /scope=user /silent", true, Scope::User},
        {L"setup.exe /silent /scope= \"USER\" ", true, Scope::User},
        {L"setup.exe /silent /scope=", false, Scope::Machine},
        {L"setup.exe /silent /scope=users", false, Scope::Machine},
        {L"setup.exe /silent /scope=me /folder=C:\\x", false, Scope::Machine},
    };
    for (const Case& c : cases) {
        Scope scope = Scope::User;
        EXPECT_EQ(ParseScopeOption(c.line, scope), c.valid) << c.line;
        EXPECT_EQ(scope, c.scope) << c.line;
    }
}
