#include "wizard_fixture.h"

namespace wiztest {
namespace {

InstallRecord g_record;

// Runs on the wizard's thread inside the ready page's Next handler.
int RecordInstall(InstallRequest& request) {
    CWizPropertySheet& sheet = TheWizardSheet();
    g_record.calls++;
    g_record.request = request;
    g_record.backEnabled = ::IsWindowEnabled(sheet.GetButton(kIdWizBack)) != FALSE;
    g_record.nextEnabled = ::IsWindowEnabled(sheet.GetButton(kIdWizNext)) != FALSE;
    g_record.cancelEnabled = ::IsWindowEnabled(sheet.GetButton(IDCANCEL)) != FALSE;
    g_record.statusVisible = ::IsWindowVisible(sheet.m_statusText.GetSafeHwnd()) != FALSE;
    return g_record.result;
}

}  // namespace

InstallRecord& Recorded() { return g_record; }

void WizardWalk::SetUp() {
    g_record = InstallRecord{};
    TheWizardSheet().m_pfnInstall = RecordInstall;
}

void WizardWalk::TearDown() { driver.reset(); }

void WizardWalk::Start() {
    driver = std::make_unique<WizardDriver>();
    driver->WaitUntilShown();
}

void WizardWalk::GoTo(int page) {
    for (int steps = 0; steps < 5 && driver->ActivePage() < page; ++steps) {
        int before = driver->ActivePage();
        Next();
        if (driver->ActivePage() == before) {
            ADD_FAILURE() << "Next did not leave page " << before;
            return;
        }
    }
}

void WizardWalk::CancelWithYes() {
    driver->ClickOpeningBox(driver->Button(IDCANCEL));
    driver->Answer(driver->WaitForBox(), IDYES);
    EXPECT_TRUE(driver->WaitForEnd());
}

void WizardWalk::FinishWithoutActions() {
    for (int id : {IDC_SHOW_FAQ, IDC_START_VIEWER})
        if (WizardDriver::Checked(Item(4, id))) driver->Click(Item(4, id));
    driver->ClickOpeningBox(driver->Button(IDCANCEL));
    EXPECT_TRUE(driver->WaitForEnd());
}

}  // namespace wiztest
