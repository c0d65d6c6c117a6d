// The welcome page: first filling, folder proposal and check, shortcut buttons.
#include <string>


#include "support/scratch_registry.h"
#include "wizard_fixture.h"

namespace wiztest {
namespace {

class WizardWelcome : public WizardWalk {
protected:
    std::wstring FolderProposedWith(testsupport::ScratchRegistry& machine) {
        Start();
        machine.StopRedirecting();
        std::wstring folder = WizardDriver::Text(Item(0, IDC_FOLDER));
        CancelWithYes();
        return folder;
    }
};

TEST_F(WizardWelcome, FirstShowingFillsTextsAndDefaults) {
    Start();
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_WELCOME_HEADING)), L"Willkommen zur Lumiscope 64 Installation!");
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_VERSION_LINE)),
              L"Dieses Programm wird Lumiscope Version  4.70  (64 bit) auf Ihrem PC installieren.\n"
              L"(Bitte mit Admin-Rechten ausführen)");
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_DESKTOP)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_THUMBNAILS)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_STARTMENU)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_CURRENT_USER)));
    EXPECT_FALSE(WizardDriver::Checked(Item(0, IDC_ALL_USERS)));
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_EULA_LINK)), L"Lumiscope EULA");

    // The heading carries the sheet's bold Arial title font, 18 pixels at 96 DPI.
    auto font = reinterpret_cast<HFONT>(::SendMessageW(Item(0, IDC_WELCOME_HEADING), WM_GETFONT, 0, 0));
    EXPECT_EQ(font, TheWizardSheet().m_fontTitle.GetSafeHandle());
    LOGFONTW title = {};
    ASSERT_TRUE(::GetObjectW(font, sizeof(title), &title));
    EXPECT_EQ(title.lfHeight, 18);
    EXPECT_EQ(title.lfWeight, 700);
    EXPECT_EQ(title.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_EQ(std::wstring(title.lfFaceName), L"Arial");

    // Coming back does not fill anything again.
    driver->SetText(Item(0, IDC_FOLDER), L"F:\\Eigener Ordner");
    driver->Click(Item(0, IDC_STARTMENU));
    Next();
    Back();
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_FOLDER)), L"F:\\Eigener Ordner");
    EXPECT_FALSE(WizardDriver::Checked(Item(0, IDC_STARTMENU)));
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_WELCOME_HEADING)), L"Willkommen zur Lumiscope 64 Installation!");
    CancelWithYes();
}

// An installed viewer's folder wins over the Program Files folder.
TEST_F(WizardWelcome, ProposesTheFolderOfAnInstalledViewerFirst) {
    testsupport::ScratchRegistry machine{L"welcome", false};
    testsupport::WriteString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir",
                             L"C:\\Programme");
    testsupport::WriteString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command", nullptr,
                             L"\"D:\\Tools\\Lumiscope\\lu_scp64.exe\" \"%1\"");
    EXPECT_EQ(FolderProposedWith(machine), L"D:\\Tools\\Lumiscope\\");
}

TEST_F(WizardWelcome, NextChecksForADrive) {
    Start();
    const wchar_t* refused[] = {L"", L"\\\\server\\share\\Lumiscope", L"Lumiscope", L" C:\\Lumiscope"};
    for (const wchar_t* folder : refused) {
        SCOPED_TRACE(testing::Message() << "refused: [" << folder << "]");
        driver->SetText(Item(0, IDC_FOLDER), folder);
        driver->ClickOpeningBox(driver->Button(kIdWizNext));
        Box box = driver->WaitForBox();
        EXPECT_EQ(box.text, L"Ungültiges Zielverzeichnis!");
        EXPECT_EQ(box.caption, kTitle);
        driver->Answer(box, IDOK);
        EXPECT_EQ(driver->ActivePage(), 0);
        // Back is enabled after a refusal and leads nowhere.
        EXPECT_TRUE(Enabled(kIdWizBack));
        Back();
        EXPECT_EQ(driver->ActivePage(), 0);
    }
    const wchar_t* accepted[] = {L"C:", L"D:\\", L"D:\\Apps\\Lumiscope   "};
    for (const wchar_t* folder : accepted) {
        SCOPED_TRACE(testing::Message() << "accepted: " << folder);
        driver->SetText(Item(0, IDC_FOLDER), folder);
        Next();
        EXPECT_FALSE(driver->BoxOpen());
        EXPECT_EQ(driver->ActivePage(), 1);
        Back();
    }
    CancelWithYes();
}

TEST_F(WizardWelcome, NoShortcutsGreysTheUserChoiceAndKeepsIt) {
    Start();
    driver->Click(Item(0, IDC_ALL_USERS));
    driver->Click(Item(0, IDC_NO_SHORTCUTS));
    for (int id : {IDC_DESKTOP, IDC_THUMBNAILS, IDC_STARTMENU}) EXPECT_FALSE(WizardDriver::Checked(Item(0, id)));
    EXPECT_FALSE(::IsWindowEnabled(Item(0, IDC_CURRENT_USER)));
    EXPECT_FALSE(::IsWindowEnabled(Item(0, IDC_ALL_USERS)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_ALL_USERS)));

    driver->Click(Item(0, IDC_THUMBNAILS));
    EXPECT_TRUE(::IsWindowEnabled(Item(0, IDC_CURRENT_USER)));
    EXPECT_TRUE(::IsWindowEnabled(Item(0, IDC_ALL_USERS)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_ALL_USERS)));
    driver->Click(Item(0, IDC_THUMBNAILS));
    EXPECT_FALSE(::IsWindowEnabled(Item(0, IDC_ALL_USERS)));

    // A greyed choice still counts for the installation.
    GoTo(4);
    const InstallRequest& request = Recorded().request;
    EXPECT_EQ(request.allUsers, 1);
    EXPECT_EQ(request.desktopShortcut + request.thumbnailsShortcut + request.startMenuGroup, 0);
    FinishWithoutActions();
}

}  // namespace
}  // namespace wiztest
