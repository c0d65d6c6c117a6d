// The ready page: what it shows, the request it builds, the frame during the installation,
// and where a failed or a successful installation leads.
#include "install/journal.h"
#include "win/unique_handle.h"
#include "wizard_fixture.h"

namespace wiztest {
namespace {

class WizardReady : public WizardWalk {
protected:
    void Tick(int row) {
        LVITEMW item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(2);
        ::SendMessageW(Item(2, IDC_ASSOC_LIST), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
};

TEST_F(WizardReady, BuildsTheRequestFromThePages) {
    Start();
    driver->SetText(Item(0, IDC_FOLDER), L"D:\\Ziel & Co\\Lumiscope   ");
    driver->Click(Item(0, IDC_THUMBNAILS));
    driver->Click(Item(0, IDC_ALL_USERS));
    GoTo(2);
    driver->Click(Item(2, IDC_REGISTRY_ASSOC));
    Tick(2);
    Tick(31);
    GoTo(3);

    // The line shows the trimmed folder, "&" included; the settings go to the application data.
    EXPECT_EQ(WizardDriver::Text(Item(3, IDC_TARGET_LINE)), L"Zielverzeichnis: D:\\Ziel & Co\\Lumiscope");
    EXPECT_TRUE(WizardDriver::Checked(Item(3, IDC_INI_APPDATA)));
    EXPECT_FALSE(WizardDriver::Checked(Item(3, IDC_INI_PROGRAM)));
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Item(3, IDC_READY_HEADING), WM_GETFONT, 0, 0)),
              TheWizardSheet().m_fontTitle.GetSafeHandle());
    EXPECT_EQ(WizardDriver::Text(Item(3, IDC_INI_APPDATA)), L"\"&Anwendungsdaten\"-Verzeichnis (empfohlen)");
    for (int hidden : {IDC_INI_CUSTOM, IDC_FOLDER, IDC_INI_BROWSE, IDC_STATUS_TEXT})
        EXPECT_FALSE(::IsWindowVisible(Item(3, hidden))) << hidden;

    Next();
    ASSERT_EQ(Recorded().calls, 1);
    const InstallRequest& request = Recorded().request;
    EXPECT_EQ(request.targetFolder, L"D:\\Ziel & Co\\Lumiscope");
    EXPECT_EQ(request.startMenuGroup, 1);
    EXPECT_EQ(request.desktopShortcut, 1);
    EXPECT_EQ(request.thumbnailsShortcut, 0);
    EXPECT_EQ(request.allUsers, 1);
    EXPECT_EQ(request.iniFolder, L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(request.associate, 1);
    for (size_t i = 0; i < request.assocSelection.size(); ++i)
        EXPECT_EQ(request.assocSelection[i], (i == 2 || i == 31) ? 1 : 0) << i;
    EXPECT_EQ(request.silent, 0);
    EXPECT_EQ(request.caption, kTitle);

    // During the installation the frame takes no input and the red progress line shows.
    EXPECT_FALSE(Recorded().backEnabled);
    EXPECT_FALSE(Recorded().nextEnabled);
    EXPECT_FALSE(Recorded().cancelEnabled);
    EXPECT_TRUE(Recorded().statusVisible);
    EXPECT_EQ(TheWizardSheet().m_statusText.m_crText, 0x000000FFu);
    EXPECT_EQ(WizardDriver::Text(Item(3, IDC_STATUS_TEXT)), L"Installiere ... bitte warten ...");

    EXPECT_EQ(driver->ActivePage(), 4);
    FinishWithoutActions();
    EXPECT_TRUE(driver->Result());
}

TEST_F(WizardReady, FailedInstallationReturnsToTheWelcomePage) {
    Recorded().result = 0;
    Start();
    driver->SetText(Item(0, IDC_FOLDER), L"Q:\\Nirgendwo");
    driver->Click(Item(0, IDC_DESKTOP));
    GoTo(3);
    Next();
    EXPECT_EQ(Recorded().calls, 1);
    EXPECT_EQ(driver->ActivePage(), 0);
    EXPECT_FALSE(Enabled(kIdWizBack));
    EXPECT_TRUE(Enabled(kIdWizNext));
    EXPECT_TRUE(Enabled(IDCANCEL));
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_FOLDER)), L"Q:\\Nirgendwo");
    EXPECT_FALSE(WizardDriver::Checked(Item(0, IDC_DESKTOP)));

    // The progress line stays; a second attempt that works reaches the finish page.
    Recorded().result = 1;
    GoTo(3);
    EXPECT_TRUE(::IsWindowVisible(Item(3, IDC_STATUS_TEXT)));
    Next();
    EXPECT_EQ(Recorded().calls, 2);
    EXPECT_EQ(driver->ActivePage(), 4);
    FinishWithoutActions();
    EXPECT_TRUE(driver->Result());
}

template <typename Condition>
bool WaitUntil(Condition condition) {
    for (int tries = 0; tries < 1000; ++tries, ::Sleep(10))
        if (condition()) return true;
    return false;
}

// An installation that takes its time: it says how far it got, then waits to be let go.
HANDLE g_started = nullptr;
HANDLE g_release = nullptr;
int SlowInstall(InstallRequest&) {
    Journal().Progress(42, 100);
    ::SetEvent(g_started);
    return ::WaitForSingleObject(g_release, 20000) == WAIT_OBJECT_0 ? 1 : 0;
}

// A long installation runs beside the window: it answers, shows the share written on the bar
// under the red text, and cannot be closed until the installation is done.
TEST_F(WizardReady, TheWindowAnswersDuringALongInstallationAndShowsHowFarItGot) {
    win::KernelObject started(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win::KernelObject release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_started = started.get();
    g_release = release.get();
    TheWizardSheet().m_pfnInstall = SlowInstall;
    Start();
    GoTo(3);
    driver->ClickOpeningBox(driver->Button(kIdWizNext));
    ASSERT_EQ(::WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0);

    DWORD_PTR ignored = 0;
    EXPECT_NE(::SendMessageTimeoutW(driver->Sheet(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored), 0);
    EXPECT_TRUE(WaitUntil([&] { return ::SendMessageW(Item(3, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0) == 420; }));
    EXPECT_TRUE(::IsWindowVisible(Item(3, IDC_PROGRESS_BAR)));
    EXPECT_FALSE(::IsWindowVisible(Item(3, IDC_START_HINT))) << "\"Weiter\" starts nothing any more";
    driver->PressCloseBox();
    EXPECT_FALSE(driver->BoxOpen());

    ::SetEvent(release.get());
    EXPECT_TRUE(WaitUntil([&] { return driver->ActivePage() == 4; }));
    FinishWithoutActions();
    EXPECT_TRUE(driver->Result());
}

}  // namespace
}  // namespace wiztest
