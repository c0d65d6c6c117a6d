// Page 3: the settings-folder choice and the start of the installation.
#include <windows.h>
#include <commctrl.h>

#include "win/platform.h"
#include "install/journal.h"
#include "install/request/folders.h"
#include "resources/resource_ids.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "wizard/wiz_page.h"
#include "wizard/wiz_sheet.h"
#include "wizard/wizard_rules.h"

namespace {

constexpr size_t kTargetLabelChars = 49;  // string 6 in a 50-unit buffer
constexpr COLORREF kProgressRed = 0x000000FF;

// State image per list item (1 unticked, 2 ticked), for the first 64 items at most.
std::vector<int> ReadItemStateImages(HWND list) {
    std::vector<int> states;
    int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count && i < kAssocSelectionSize; ++i) {
        auto state = static_cast<UINT>(::SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK));
        states.push_back(static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12));
    }
    return states;
}

// The share of the payload written, in the line under the red text. Told from the
// installation's thread; the window's own thread shows it.
class ProgressLine : public InstallJournal {
public:
    explicit ProgressLine(HWND line) : m_line(line) {}
    void Progress(uint64_t done, uint64_t total) override {
        const unsigned percent = total ? static_cast<unsigned>(done * 100 / total) : 100;
        if (percent == m_shown) return;
        m_shown = percent;
        ::SetWindowTextW(m_line, win::Format(L"%u %% der Dateien geschrieben", percent).c_str());
    }

private:
    HWND m_line;
    unsigned m_shown = ~0u;
};

struct InstallJob {
    CWizPropertySheet::InstallFunction install;
    InstallRequest* request;
    int result;
};

DWORD WINAPI RunJob(void* parameter) {
    auto* job = static_cast<InstallJob*>(parameter);
    job->result = job->install(*job->request);
    return 0;
}

// The installation runs on a thread of its own while this one keeps the window answering:
// painted, moved, never "not responding", however long a big payload takes.
int InstallAside(CWizPropertySheet::InstallFunction install, InstallRequest& request) {
    InstallJob job{install, &request, 0};
    win::KernelObject thread(::CreateThread(nullptr, 0, RunJob, &job, 0, nullptr));
    if (!thread) return install(request);
    HANDLE handle = thread.get();
    bool quit = false;
    WPARAM quitCode = 0;
    while (::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));  // for the loop that ends the sheet
    return job.result;
}

}  // namespace

void CWizPropertyPage::BindReady() {
    CXColorStatic& status = m_pSheet->m_statusText;
    DDX_Control(IDC_STATUS_TEXT, status);
    status.m_crText = kProgressRed;
    status.SetBold();
    status.SetFontHeight(::MulDiv(18, GetScreenDpi(m_pSheet->GetSafeHwnd()), 96));
}

void CWizPropertyPage::ActivateReady() {
    SetTitleFont(IDC_READY_HEADING);
    auto* welcome = static_cast<CWizPropertyPage*>(m_pSheet->GetPage(kPageWelcome));
    std::wstring folder = welcome->GetItemText(IDC_FOLDER, kFolderFieldChars);
    TrimBlanks(folder);
    std::wstring label = win::Left(win::LoadStringText(IDS_TARGET_FOLDER), kTargetLabelChars);
    SetItemText(IDC_TARGET_LINE, win::Format(L"%s: %s", label.c_str(), folder.c_str()));

    // The application-data folder needs no write rights in the program folder, which
    // Vista and later no longer grant to ordinary programs.
    bool vistaOrLater = IsWindowsAtLeast(6, 0, 0);
    SetChecked(IDC_INI_APPDATA, vistaOrLater);
    SetChecked(IDC_INI_PROGRAM, !vistaOrLater);
}

LRESULT CWizPropertyPage::StartInstallation() {
    if (m_pSheet->WarnIfViewerRunning(m_hWnd)) return -1;

    auto* welcome = static_cast<CWizPropertyPage*>(m_pSheet->GetPage(kPageWelcome));
    WizardChoices choices;
    choices.folderText = welcome->GetItemText(IDC_FOLDER, kRequestFolderChars);
    choices.startMenuGroup = welcome->IsChecked(IDC_STARTMENU);
    choices.desktopShortcut = welcome->IsChecked(IDC_DESKTOP);
    choices.thumbnailsShortcut = welcome->IsChecked(IDC_THUMBNAILS);
    choices.allUsers = welcome->IsChecked(IDC_ALL_USERS);
    HWND list = m_pSheet->m_hAssocList;
    choices.listEnabled = list && ::IsWindowEnabled(list);
    if (choices.listEnabled) choices.itemStateImages = ReadItemStateImages(list);
    choices.appDataSettings = IsChecked(IDC_INI_APPDATA);
    choices.caption = m_pSheet->m_szTitle;
    InstallRequest request = BuildInstallRequest(choices);

    request.owner = m_pSheet->GetSafeHwnd();

    HWND status = m_pSheet->m_statusText.GetSafeHwnd();
    ::ShowWindow(status, SW_SHOW);
    ::UpdateWindow(status);
    HWND progress = ::GetDlgItem(m_hWnd, IDC_PROGRESS_TEXT);
    ::SetWindowTextW(progress, L"");
    ::ShowWindow(progress, SW_SHOW);

    for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) m_pSheet->EnableButton(id, false);
    m_pSheet->m_bInstalling = true;
    int result = 0;
    {
        ProgressLine line(progress);
        ScopedJournal showing(line);
        result = InstallAside(m_pSheet->m_pfnInstall, request);
    }
    m_pSheet->m_bInstalling = false;
    ::ShowWindow(progress, SW_HIDE);
    for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) m_pSheet->EnableButton(id, true);

    if (result == 0) return IDD_WELCOME;
    m_pSheet->m_bInstalled = true;
    return GetNextPageID(true);
}
