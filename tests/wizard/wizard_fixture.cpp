#include "wizard_fixture.h"

#include <atomic>

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

HWND WizardWalk::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(driver->Sheet(), nullptr), &info);
    return info.hwndFocus;
}

namespace {

const UINT g_marker = ::RegisterWindowMessageW(L"LumiWizardTestMarker");
std::atomic<int> g_markersSeen{0};

LRESULT CALLBACK SeeMarker(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == g_marker) ++g_markersSeen;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// Posted keys come after sent messages, so a sent message proves nothing about them: a marker
// posted behind them is seen by the wizard's thread only once they have been handled.
void WizardWalk::Press(WPARAM key) {
    const DWORD thread = ::GetWindowThreadProcessId(driver->Sheet(), nullptr);
    HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, SeeMarker, nullptr, thread);
    const int seen = g_markersSeen;
    HWND focus = Focus();
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    ::PostMessageW(driver->Sheet(), g_marker, 0, 0);
    for (int i = 0; i < 1500 && g_markersSeen == seen && ::IsWindow(driver->Sheet()); ++i) ::Sleep(10);
    if (hook) ::UnhookWindowsHookEx(hook);
    if (::IsWindow(driver->Sheet())) driver->Sync();
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
