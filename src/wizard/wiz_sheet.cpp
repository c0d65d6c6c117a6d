#include "wizard/wiz_sheet.h"

#include <commctrl.h>

#include "fx/system_look.h"
#include "win/platform.h"
#include "install/do_install.h"
#include "install/journal.h"
#include "install/viewer/running_viewer.h"
#include "install/viewer/viewer_rules.h"
#include "resources/resource_ids.h"
#include "win/desktop_shell.h"
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
// The DPI is known from here on, so every page is laid out for the monitor the sheet is on.
void CWizPropertySheet::PreSubclassWindow() {
    m_szTitle = win::Left(kSetupTitle, kTitleChars);
    m_nDpi = fx::WindowDpi(m_hWnd);
    if (m_nDpi != GetScreenDpi(m_hWnd)) MakeTitleFont(m_nDpi);
}

BOOL CWizPropertySheet::OnInitDialog() {
    m_szTitle = win::Left(kSetupTitle, kTitleChars);
    BOOL result = CPropertySheet::OnInitDialog();
    SetButtonText(IDCANCEL, win::LoadStringText(IDS_CANCEL_TEXT));
    SetTitle(m_szTitle);
    return result;
}

void CWizPropertySheet::MakeTitleFont(int dpi) {
    LOGFONTW lf = {};
    lf.lfHeight = fx::ScaleForDpi(18, dpi);
    lf.lfWeight = FW_BOLD;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
    HFONT font = ::CreateFontIndirectW(&lf);
    if (!font) return;
    // The headings take the new font before the old one goes.
    for (int i = 0; m_hWnd && i < GetPageCount(); ++i) {
        HWND page = reinterpret_cast<HWND>(SendMessage(PSM_INDEXTOHWND, static_cast<WPARAM>(i)));
        for (int id : {IDC_WELCOME_HEADING, IDC_READY_HEADING, IDC_FINISH_HEADING})
            if (HWND heading = page ? ::GetDlgItem(page, id) : nullptr)
                ::SendMessageW(heading, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    m_fontTitle.Attach(font);
}

void CWizPropertySheet::ApplyColours() {
    const bool highContrast = fx::IsHighContrast();
    if (m_statusText.GetSafeHwnd()) {
        m_statusText.m_crText = StatusTextColour(highContrast, ::GetSysColor(COLOR_WINDOWTEXT));
        m_statusText.SetBackColour(::GetSysColor(COLOR_BTNFACE));
    }
    if (m_linkEula.GetSafeHwnd()) m_linkEula.Invalidate();
    if (m_hAssocList) static_cast<CWizPropertyPage*>(GetPage(kPageAssociations))->ShowAssocListState();
}

void CWizPropertySheet::OnDpiChanged(int dpi, const RECT* suggested) {
    if (dpi <= 0) return;
    m_nDpi = dpi;
    if (suggested)
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    MakeTitleFont(dpi);
    if (m_linkEula.GetSafeHwnd()) m_linkEula.SetDpi(dpi);
    if (m_statusText.GetSafeHwnd()) m_statusText.SetFontHeight(fx::ScaleForDpi(18, dpi));
    for (int i = 0; i < GetPageCount(); ++i) {
        auto* page = static_cast<CWizPropertyPage*>(GetPage(i));
        if (page->GetSafeHwnd()) page->FitToDpi();
    }
}

bool CWizPropertySheet::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        ApplyColours();
        break;  // the common controls hear of it too
    case WM_DPICHANGED:
        // The system lays out a dialog of its own first where it does so.
        result = Default();
        OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return true;
    default:
        break;
    }
    return CPropertySheet::OnMessage(message, wParam, lParam, result);
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

// On the finish page the close box does what Esc and "Fertig stellen" do: there is nothing
// left to cancel, and the one way out carries out what the user ticked.
bool CWizPropertySheet::OnSysCommand(UINT command, LPARAM lParam) {
    if (command == SC_CLOSE && m_bInstalling) return true;
    if (command == SC_CLOSE && GetActiveIndex() == kPageFinish) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetButton(IDCANCEL)));
        return true;
    }
    if (command == SC_CLOSE && !ConfirmQuit()) return true;
    return CPropertySheet::OnSysCommand(command, lParam);
}

void CWizPropertySheet::MakeCancelDefault() {
    HWND previous = GetButton(LOWORD(SendMessage(DM_GETDEFID)));
    SendMessage(DM_SETDEFID, IDCANCEL);
    if (previous && previous != GetButton(IDCANCEL))
        ::SendMessageW(previous, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    ::SendMessageW(GetButton(IDCANCEL), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

bool CWizPropertySheet::ConfirmQuit() {
    return ShowMessage(m_hWnd, win::LoadStringText(IDS_QUIT_QUESTION), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
           IDYES;
}

void CWizPropertySheet::EnableButton(int id, bool enable) const { ::EnableWindow(GetButton(id), enable); }

void CWizPropertySheet::SetButtonText(int id, const std::wstring& text) const {
    ::SetWindowTextW(GetButton(id), text.c_str());
}

// A keyboard user goes on where the box interrupted: the focus goes back to its control once
// the sheet is active again (posted, so that it comes after the activation, which would
// otherwise put the focus on a button of the frame).
int CWizPropertySheet::ShowMessage(HWND owner, const std::wstring& text, UINT flags) const {
    HWND focus = ::GetFocus();
    int answer = ::MessageBoxW(owner, text.c_str(), m_szTitle.c_str(), flags);
    if (focus && ::IsWindow(focus) && ::IsWindowVisible(focus))
        ::PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
    return answer;
}

namespace {

// The windows of class "Lumiscope" asked to close; true when none is left.
bool CloseViewerWindows() {
    std::vector<std::wstring> reopen;
    const viewer::Note note = [](const std::wstring& text) { Journal().Note(L"wizard", text); };
    return viewer::CloseRunning(viewer::Place(), viewer::kCloseTimeoutMs, note, reopen) &&
           !::FindWindowW(kViewerWindowClass, nullptr);
}

}  // namespace

// After the warning the user may have the setup ask the viewer to close (its windows; the
// folder is not settled yet). The finish page starts it again, as it starts a new one.
bool CWizPropertySheet::WarnIfViewerRunning(HWND owner) const {
    if (!::FindWindowW(kViewerWindowClass, nullptr)) return false;
    ShowMessage(owner, win::LoadStringText(IDS_VIEWER_RUNNING), MB_ICONWARNING);
    if (ShowMessage(owner, win::LoadStringText(IDS_CLOSE_VIEWER_QUESTION), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES)
        return true;
    if (CloseViewerWindows()) return false;
    ShowMessage(owner, win::LoadStringText(IDS_VIEWER_NOT_CLOSED), MB_ICONWARNING);
    return true;
}

// The web page first, so that the viewer, started second, ends up in front. Both are started
// by the desktop shell with the user's own rights, never with the setup's: the viewer from the
// folder the installation went into, whatever was typed on the welcome page.
void CWizPropertySheet::RunFinishActions() {
    auto* finish = static_cast<CWizPropertyPage*>(GetPage(kPageFinish));
    if (finish->IsChecked(IDC_SHOW_FAQ)) win::OpenAsDesktopUser(kFaqAddress);
    if (!finish->IsChecked(IDC_START_VIEWER) || m_szInstalledFolder.empty()) return;

    win::OpenAsDesktopUser(ViewerPathFromFolder(m_szInstalledFolder));
    ::Sleep(kViewerStartDelayMs);
    for (int look = 0; look < kViewerLooks; ++look) {
        if (HWND window = ::FindWindowExW(nullptr, nullptr, kViewerWindowClass, nullptr)) {
            ::SetForegroundWindow(window);
            return;
        }
        ::Sleep(kViewerLookIntervalMs);
    }
}
