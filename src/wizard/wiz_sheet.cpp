#include "wizard/wiz_sheet.h"

#include <shellapi.h>

#include "install/do_install.h"
#include "resources/resource_ids.h"
#include "win/text.h"
#include "wizard/wiz_page.h"
#include "wizard/wizard_rules.h"

namespace {

constexpr wchar_t kConstructionCaption[] = L"Lumiscope Setup";
constexpr wchar_t kFaqAddress[] = L"http://www.lumiscope-viewer.de/faq.htm";
constexpr size_t kTitleChars = 259;
constexpr DWORD kViewerStartDelayMs = 50;
constexpr int kViewerLooks = 5;
constexpr DWORD kViewerLookIntervalMs = 500;

}  // namespace

// Built on first use, so that it exists whenever someone asks, whatever the order in which
// other static objects are built.
CWizPropertySheet& TheWizardSheet() {
    static CWizPropertySheet sheet;
    return sheet;
}

CWizPropertySheet::CWizPropertySheet() : CPropertySheet(kConstructionCaption, nullptr, 0), m_pfnInstall(DoInstall) {}

// Our window layer shows the first page before it calls OnInitDialog, and that page may
// already show a message box; the title must be there when the sheet's window is bound.
void CWizPropertySheet::PreSubclassWindow() { m_szTitle = win::Left(kSetupTitle, kTitleChars); }

BOOL CWizPropertySheet::OnInitDialog() {
    m_szTitle = win::Left(kSetupTitle, kTitleChars);
    BOOL result = CPropertySheet::OnInitDialog();
    SetButtonText(IDCANCEL, win::LoadStringText(IDS_CANCEL_TEXT));
    SetTitle(m_szTitle);
    return result;
}

bool CWizPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDCANCEL && m_bInstalling) return true;
    if (LOWORD(wParam) == IDCANCEL) {
        if (GetActiveIndex() == kPageFinish)
            RunFinishActions();
        else if (!ConfirmQuit())
            return true;
    }
    return CPropertySheet::OnCommand(wParam, lParam);
}

bool CWizPropertySheet::OnSysCommand(UINT command, LPARAM lParam) {
    if (command == SC_CLOSE && m_bInstalling) return true;
    if (command == SC_CLOSE && GetActiveIndex() != kPageFinish && !ConfirmQuit()) return true;
    return CPropertySheet::OnSysCommand(command, lParam);
}

bool CWizPropertySheet::ConfirmQuit() {
    return ShowMessage(m_hWnd, win::LoadStringText(IDS_QUIT_QUESTION), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
           IDYES;
}

void CWizPropertySheet::EnableButton(int id, bool enable) const { ::EnableWindow(GetButton(id), enable); }

void CWizPropertySheet::SetButtonText(int id, const std::wstring& text) const {
    ::SetWindowTextW(GetButton(id), text.c_str());
}

int CWizPropertySheet::ShowMessage(HWND owner, const std::wstring& text, UINT flags) const {
    return ::MessageBoxW(owner, text.c_str(), m_szTitle.c_str(), flags);
}

bool CWizPropertySheet::WarnIfViewerRunning(HWND owner) const {
    if (!::FindWindowW(kViewerWindowClass, nullptr)) return false;
    ShowMessage(owner, win::LoadStringText(IDS_VIEWER_RUNNING), MB_ICONWARNING);
    return true;
}

// The web page first, so that the viewer, started second, ends up in front.
void CWizPropertySheet::RunFinishActions() {
    auto* finish = static_cast<CWizPropertyPage*>(GetPage(kPageFinish));
    auto* welcome = static_cast<CWizPropertyPage*>(GetPage(kPageWelcome));
    if (finish->IsChecked(IDC_SHOW_FAQ))
        ::ShellExecuteW(::GetDesktopWindow(), L"open", kFaqAddress, nullptr, L"", SW_SHOW);
    if (!finish->IsChecked(IDC_START_VIEWER)) return;

    std::wstring viewer = ViewerPathFromFolder(welcome->GetItemText(IDC_FOLDER, kFolderFieldChars));
    ::ShellExecuteW(::GetActiveWindow(), L"open", viewer.c_str(), L"", nullptr, SW_SHOW);
    ::Sleep(kViewerStartDelayMs);
    for (int look = 0; look < kViewerLooks; ++look) {
        if (HWND window = ::FindWindowExW(nullptr, nullptr, kViewerWindowClass, nullptr)) {
            ::SetForegroundWindow(window);
            return;
        }
        ::Sleep(kViewerLookIntervalMs);
    }
}
