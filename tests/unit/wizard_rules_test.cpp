#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/request/folders.h"
#include "wizard/wizard_rules.h"

namespace {

std::wstring WhatsNew(const std::wstring& text) {
    return WhatsNewTextFromResource(text.data(), text.size() * sizeof(wchar_t));
}

}  // namespace

TEST(WizardWhatsNew, TrimsTrailingNonLettersAndKeepsTheByteOrderMark) {
    EXPECT_EQ(WhatsNew(L"\xFEFF- Neu\r\nhttp://www.lumiscope-viewer.de\r\n  "),
              L"\xFEFF- Neu\r\nhttp://www.lumiscope-viewer.de");
    EXPECT_EQ(WhatsNew(L"- Fehler behoben."), L"- Fehler behoben");
    EXPECT_EQ(WhatsNew(L"Version 4.70\r\n"), L"Version 4.70");
    EXPECT_EQ(WhatsNew(L"Größe: grün\r\n"), L"Größe: grün");
    EXPECT_EQ(WhatsNew(L"\xFEFF ---- \r\n ..."), L"");
}

TEST(WizardWhatsNew, CutsAtTheBufferLimitAndAtAZeroUnit) {
    std::wstring longText(kWhatsNewMaxUnits + 500, L'a');
    EXPECT_EQ(WhatsNew(longText).size(), kWhatsNewMaxUnits);

    std::wstring withZero = std::wstring(L"abc!") + L'\0' + L"def";
    EXPECT_EQ(WhatsNewTextFromResource(withZero.data(), withZero.size() * sizeof(wchar_t)), L"abc");
    EXPECT_EQ(WhatsNewTextFromResource(nullptr, 0), L"");
}

TEST(WizardFolderCheck, NeedsADriveAtTheStart) {
    EXPECT_TRUE(HasDrivePart(L"C:"));
    EXPECT_TRUE(HasDrivePart(L"D:\\"));
    EXPECT_TRUE(HasDrivePart(L"D:\\Apps\\Lumiscope   "));
    EXPECT_FALSE(HasDrivePart(L""));
    EXPECT_FALSE(HasDrivePart(L"\\\\server\\share\\Lumiscope"));
    EXPECT_FALSE(HasDrivePart(L"Lumiscope"));
    EXPECT_FALSE(HasDrivePart(L" C:\\Lumiscope"));
}

TEST(WizardProductFolder, AppendsTheProductLevelUnlessPresent) {
    struct Case { const wchar_t* browsed; const wchar_t* expected; };
    const Case cases[] = {
        {L"D:\\", L"D:\\Lumiscope\\"},
        {L"E:", L"E:\\Lumiscope\\"},
        {L"D:\\Tools\\", L"D:\\Tools\\Lumiscope\\"},
        {L"D:\\Tools", L"D:\\Tools\\Lumiscope\\"},
        {L"D:\\Apps\\LUMISCOPE\\", L"D:\\Apps\\LUMISCOPE\\"},
        {L"E:\\Data\\LumiScope\\", L"E:\\Data\\LumiScope\\"},
        {L"D:\\Lumiscope\\", L"D:\\Lumiscope\\"},
        {L"D:\\lumiscope2\\", L"D:\\lumiscope2\\Lumiscope\\"},
    };
    for (const Case& c : cases) {
        std::wstring folder = c.browsed;
        EXPECT_TRUE(ApplyProductFolderRule(folder)) << c.browsed;
        EXPECT_EQ(folder, c.expected) << c.browsed;
    }
}

TEST(WizardProductFolder, RefusesAResultLongerThanAPath) {
    std::wstring fits = L"C:\\" + std::wstring(kMaxPathChars - 3 - 11, L'x') + L"\\";  // 249 characters
    std::wstring expected = fits + L"Lumiscope\\";
    ASSERT_EQ(expected.size(), kMaxPathChars);
    EXPECT_TRUE(ApplyProductFolderRule(fits));
    EXPECT_EQ(fits, expected);

    std::wstring tooLong = L"C:\\" + std::wstring(kMaxPathChars - 3 - 10, L'x') + L"\\";
    std::wstring before = tooLong;
    EXPECT_FALSE(ApplyProductFolderRule(tooLong));
    EXPECT_EQ(tooLong, before);
}

TEST(WizardAssocList, ColumnWidthsFollowTheListWidthAndDpi) {
    EXPECT_EQ(AssocColumnWidths(570, 96), std::make_pair(190, 355));
    EXPECT_EQ(AssocColumnWidths(572, 96), std::make_pair(190, 356));  // (2w)/3, not 2(w/3)
    EXPECT_EQ(AssocColumnWidths(855, 144), std::make_pair(285, 532));
}

TEST(WizardRequest, CarriesTheWelcomeAndReadyChoices) {
    WizardChoices choices;
    choices.folderText = L"D:\\Apps\\Lumiscope   ";
    choices.desktopShortcut = true;
    choices.allUsers = true;
    choices.appDataSettings = true;
    choices.caption = L"Lumiscope 64-bit Setup";
    InstallRequest request = BuildInstallRequest(choices);
    EXPECT_EQ(request.targetFolder, L"D:\\Apps\\Lumiscope");
    EXPECT_EQ(request.startMenuGroup, 0);
    EXPECT_EQ(request.desktopShortcut, 1);
    EXPECT_EQ(request.thumbnailsShortcut, 0);
    EXPECT_EQ(request.allUsers, 1);
    EXPECT_EQ(request.iniFolder, L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(request.silent, 0);
    EXPECT_EQ(request.caption, L"Lumiscope 64-bit Setup");

    choices.appDataSettings = false;
    EXPECT_EQ(BuildInstallRequest(choices).iniFolder, L"");
}

TEST(WizardRequest, SelectsTickedRowsOnlyWhileTheListIsEnabled) {
    WizardChoices choices;
    choices.folderText = L"C:\\Lumiscope";
    choices.itemStateImages.assign(63, 1);
    choices.itemStateImages[2] = 2;
    choices.itemStateImages[31] = 2;

    choices.listEnabled = false;
    InstallRequest off = BuildInstallRequest(choices);
    EXPECT_EQ(off.associate, 0);
    for (int entry : off.assocSelection) EXPECT_EQ(entry, 0);

    choices.listEnabled = true;
    InstallRequest on = BuildInstallRequest(choices);
    EXPECT_EQ(on.associate, 1);
    for (size_t i = 0; i < on.assocSelection.size(); ++i)
        EXPECT_EQ(on.assocSelection[i], (i == 2 || i == 31) ? 1 : 0) << i;

    choices.itemStateImages.assign(63, 1);
    EXPECT_EQ(BuildInstallRequest(choices).associate, 0);
}

TEST(WizardRequest, LooksAtNoMoreThanSixtyFourItems) {
    WizardChoices choices;
    choices.listEnabled = true;
    choices.itemStateImages.assign(70, 2);
    InstallRequest request = BuildInstallRequest(choices);
    for (int entry : request.assocSelection) EXPECT_EQ(entry, 1);
}

TEST(WizardFinish, ViewerPathAddsABackslashOnlyWhenMissing) {
    EXPECT_EQ(ViewerPathFromFolder(L"D:\\Apps\\Lumiscope"), L"D:\\Apps\\Lumiscope\\lu_scp64.exe");
    EXPECT_EQ(ViewerPathFromFolder(L"D:\\Apps\\Lumiscope\\"), L"D:\\Apps\\Lumiscope\\lu_scp64.exe");
    // The field is taken as it is, blanks included.
    EXPECT_EQ(ViewerPathFromFolder(L"D:\\Apps "), L"D:\\Apps \\lu_scp64.exe");
}
