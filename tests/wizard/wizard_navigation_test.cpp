// The frame: buttons, texts and title on every page, moving back and forth, and leaving.
#include "wizard_fixture.h"

#include "support/paths.h"
#include "win/unique_handle.h"

namespace wiztest {
namespace {

struct Buttons {
    bool back, next;
    const wchar_t* cancelText;
};

class WizardNavigation : public WizardWalk {
protected:
    void ExpectFrame(int page, Buttons expected) {
        SCOPED_TRACE(page);
        EXPECT_EQ(driver->ActivePage(), page);
        EXPECT_EQ(Enabled(kIdWizBack), expected.back);
        EXPECT_EQ(Enabled(kIdWizNext), expected.next);
        EXPECT_TRUE(Enabled(IDCANCEL));
        EXPECT_EQ(WizardDriver::Text(driver->Button(IDCANCEL)), expected.cancelText);
        EXPECT_EQ(WizardDriver::Text(driver->Sheet()), kTitle);
    }
};

TEST_F(WizardNavigation, ButtonsTextsAndTitleOnEveryPage) {
    Start();
    ExpectFrame(0, {false, true, L"&Beenden"});
    EXPECT_EQ(WizardDriver::Text(driver->Button(kIdWizBack)), L"< &Zurück");
    EXPECT_EQ(WizardDriver::Text(driver->Button(kIdWizNext)), L"&Weiter >");
    for (int page = 1; page <= 3; ++page) {
        Next();
        ExpectFrame(page, {true, true, L"&Beenden"});
    }
    Next();
    ExpectFrame(4, {false, false, L"&Fertig stellen"});
    EXPECT_EQ(Recorded().calls, 1);

    EXPECT_TRUE(WizardDriver::Checked(Item(4, IDC_SHOW_FAQ)));
    EXPECT_TRUE(WizardDriver::Checked(Item(4, IDC_START_VIEWER)));

    // Nothing chosen on the finish page: it ends at once, without a question.
    FinishWithoutActions();
    EXPECT_TRUE(driver->Result());
}

TEST_F(WizardNavigation, BackAndForthKeepsEveryEntry) {
    Start();
    driver->SetText(Item(0, IDC_FOLDER), L"D:\\Meine Programme\\Lumiscope");
    driver->Click(Item(0, IDC_DESKTOP));
    driver->Click(Item(0, IDC_ALL_USERS));
    Next();
    ExpectFrame(1, {true, true, L"&Beenden"});
    Back();
    ExpectFrame(0, {false, true, L"&Beenden"});
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_FOLDER)), L"D:\\Meine Programme\\Lumiscope");
    EXPECT_FALSE(WizardDriver::Checked(Item(0, IDC_DESKTOP)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_THUMBNAILS)));
    EXPECT_TRUE(WizardDriver::Checked(Item(0, IDC_ALL_USERS)));
    EXPECT_FALSE(WizardDriver::Checked(Item(0, IDC_CURRENT_USER)));

    GoTo(2);
    driver->Click(Item(2, IDC_REGISTRY_ASSOC));
    driver->Click(Item(2, IDC_IMAGES_ONLY));
    GoTo(3);
    Back();
    EXPECT_EQ(driver->ActivePage(), 2);
    EXPECT_TRUE(WizardDriver::Checked(Item(2, IDC_REGISTRY_ASSOC)));
    EXPECT_TRUE(::IsWindowEnabled(Item(2, IDC_ASSOC_LIST)));
    EXPECT_EQ(::SendMessageW(Item(2, IDC_ASSOC_LIST), LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), 0x2000);

    // The settings-folder choice is the one thing that is reset on coming back.
    GoTo(3);
    driver->Click(Item(3, IDC_INI_PROGRAM));
    Back();
    Next();
    EXPECT_TRUE(WizardDriver::Checked(Item(3, IDC_INI_APPDATA)));
    EXPECT_FALSE(WizardDriver::Checked(Item(3, IDC_INI_PROGRAM)));
    CancelWithYes();
    EXPECT_EQ(Recorded().calls, 0);
}

// Cancel and the close box ask on pages 0 to 3; No keeps everything as it was.
TEST_F(WizardNavigation, CancelAndCloseBoxAnsweredNoStay) {
    Start();
    driver->SetText(Item(0, IDC_FOLDER), L"E:\\Bilder\\Lumiscope");
    for (int page = 0; page <= 3; ++page) {
        GoTo(page);
        bool backBefore = Enabled(kIdWizBack);
        for (bool useCloseBox : {false, true}) {
            SCOPED_TRACE(testing::Message() << "page " << page << (useCloseBox ? " close box" : " cancel"));
            if (useCloseBox)
                driver->PressCloseBox();
            else
                driver->ClickOpeningBox(driver->Button(IDCANCEL));
            Box box = driver->WaitForBox();
            EXPECT_EQ(box.text, L"Installation beenden?");
            EXPECT_EQ(box.caption, kTitle);
            EXPECT_TRUE(box.HasButton(IDYES) && box.HasButton(IDNO));
            EXPECT_EQ(box.defaultButton, IDNO);
            driver->Answer(box, IDNO);
            EXPECT_FALSE(driver->BoxOpen());
            EXPECT_EQ(driver->ActivePage(), page);
            EXPECT_EQ(Enabled(kIdWizBack), backBefore);
            EXPECT_TRUE(Enabled(kIdWizNext));
        }
    }
    Back();
    Back();
    Back();
    EXPECT_EQ(WizardDriver::Text(Item(0, IDC_FOLDER)), L"E:\\Bilder\\Lumiscope");
    CancelWithYes();
    EXPECT_EQ(Recorded().calls, 0);
}

// The change list of the program's text resource, its trailing line break and blanks gone;
// the same text each time the page is shown.
TEST_F(WizardNavigation, WhatsNewShowsTheChangeListTrimmed) {
    Start();
    Next();
    std::wstring text = WizardDriver::Text(Item(1, IDC_FOLDER));
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find(L"Lumiscope 4.70"), std::wstring::npos);
    const std::wstring end = L"\r\nhttp://www.lumiscope-viewer.de";
    ASSERT_GT(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    Back();
    Next();
    EXPECT_EQ(WizardDriver::Text(Item(1, IDC_FOLDER)), text);
    CancelWithYes();
}

TEST_F(WizardNavigation, CloseBoxAnsweredYesEndsWithoutInstalling) {
    Start();
    GoTo(2);
    driver->PressCloseBox();
    driver->Answer(driver->WaitForBox(), IDYES);
    EXPECT_TRUE(driver->WaitForEnd());
    EXPECT_FALSE(driver->Result());
    EXPECT_EQ(Recorded().calls, 0);
}

TEST_F(WizardNavigation, CancelAnsweredYesOnTheReadyPageEndsWithoutInstalling) {
    Start();
    GoTo(3);
    CancelWithYes();
    EXPECT_FALSE(driver->Result());
    EXPECT_EQ(Recorded().calls, 0);
}

TEST_F(WizardNavigation, FinishPageAsksNothingOnTheCloseBox) {
    Start();
    GoTo(4);
    driver->PressCloseBox();
    EXPECT_TRUE(driver->WaitForEnd());
    EXPECT_TRUE(driver->Result());
}

TEST_F(WizardNavigation, RunningViewerIsReportedOnEveryWelcomeAndStopsTheInstallation) {
    auto viewer = std::make_unique<FakeViewer>();
    driver = std::make_unique<WizardDriver>();
    const std::wstring warning =
        L"Warnung: Lumiscope läuft!\nBeenden Sie bitte Lumiscope bevor Sie mit der Installation fortsetzen!";
    // After each warning the setup offers to close the viewer; "Nein" (the default) leaves it open.
    auto declineClosing = [this] {
        Box question = driver->WaitForBox();
        EXPECT_EQ(question.text.substr(0, 41), L"Soll das Setup Lumiscope jetzt schließen?");
        driver->Answer(question, IDNO);
    };
    Box first = driver->WaitForBox();
    EXPECT_EQ(first.text, warning);
    EXPECT_EQ(first.caption, kTitle);
    driver->Answer(first, IDOK);
    declineClosing();
    ASSERT_TRUE(driver->WaitUntilShown());
    EXPECT_EQ(driver->ActivePage(), 0);

    Next();
    driver->ClickOpeningBox(driver->Button(kIdWizBack));
    Box again = driver->WaitForBox();
    EXPECT_EQ(again.text, warning);
    driver->Answer(again, IDOK);
    declineClosing();
    EXPECT_FALSE(driver->BoxOpen());
    EXPECT_EQ(driver->ActivePage(), 0);
    EXPECT_FALSE(Enabled(kIdWizBack));

    GoTo(3);
    driver->ClickOpeningBox(driver->Button(kIdWizNext));
    Box refusal = driver->WaitForBox();
    EXPECT_EQ(refusal.text, warning);
    driver->Answer(refusal, IDOK);
    declineClosing();
    EXPECT_EQ(driver->ActivePage(), 3);
    EXPECT_EQ(Recorded().calls, 0);

    viewer.reset();
    Next();
    EXPECT_EQ(driver->ActivePage(), 4);
    EXPECT_EQ(Recorded().calls, 1);
    FinishWithoutActions();
}

// "Ja" after the warning: the viewer, a process of its own, is asked to close and ends by
// itself; the wizard goes on without a further box.
TEST_F(WizardNavigation, YesAfterTheWarningHasTheViewerClose) {
    const std::wstring exe = testsupport::BuildPath(L"payload/bin/lu_scp64.exe");
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &info));
    win::KernelObject process(info.hProcess), thread(info.hThread);
    for (int look = 0; look < 200 && !::FindWindowW(L"Lumiscope", nullptr); ++look) ::Sleep(50);

    driver = std::make_unique<WizardDriver>();
    driver->Answer(driver->WaitForBox(), IDOK);
    Box question = driver->WaitForBox();
    EXPECT_EQ(question.defaultButton, IDNO);
    driver->Answer(question, IDYES);
    const bool ended = ::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(process.get(), 9);
    EXPECT_TRUE(ended);
    DWORD code = 1;
    EXPECT_TRUE(::GetExitCodeProcess(process.get(), &code) && code == 0) << "ended by itself";
    ASSERT_TRUE(driver->WaitUntilShown());
    EXPECT_FALSE(driver->BoxOpen());
    CancelWithYes();
}

}  // namespace
}  // namespace wiztest
