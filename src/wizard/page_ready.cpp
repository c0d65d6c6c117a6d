// Page 3: the settings-folder choice and the start of the installation.
#include <windows.h>
#include <commctrl.h>

#include "fx/system_look.h"
#include "fx/taskbar_progress.h"
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
constexpr int kProgressSteps = 1000;      // the bar's range: tenths of a percent

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

// The share of the payload written, on the bar under the status text. Told from the
// installation's thread, so it is posted: the window's own thread moves the bar, and the
// bar's value changes are what screen readers follow.
class ProgressBar : public InstallJournal {
public:
    explicit ProgressBar(HWND bar) : m_bar(bar) {}
    void Progress(uint64_t done, uint64_t total) override {
        const int step = total ? static_cast<int>(done * kProgressSteps / total) : kProgressSteps;
        if (step == m_shown) return;
        m_shown = step;
        ::PostMessageW(m_bar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
    }

private:
    HWND m_bar;
    int m_shown = -1;
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
// painted, moved, never "not responding", however long a big payload takes. The taskbar
// button follows the bar.
int InstallAside(CWizPropertySheet::InstallFunction install, InstallRequest& request, HWND sheet, HWND bar) {
    fx::TaskbarProgress taskbar(sheet);
    int shown = -1;
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
        const int position = static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
        if (position != shown) taskbar.Show(static_cast<ULONGLONG>(shown = position), kProgressSteps);
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));  // for the loop that ends the sheet
    return job.result;
}

}  // namespace

void CWizPropertyPage::BindReady() {
    CXColorStatic& status = m_pSheet->m_statusText;
    DDX_Control(IDC_STATUS_TEXT, status);
    status.m_crText = StatusTextColour(fx::IsHighContrast(), ::GetSysColor(COLOR_WINDOWTEXT));
    status.SetBold();
    status.SetFontHeight(fx::ScaleForDpi(18, m_pSheet->m_nDpi));
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
    HWND bar = ::GetDlgItem(m_hWnd, IDC_PROGRESS_BAR);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, kProgressSteps);
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
    ::ShowWindow(bar, SW_SHOW);
    // "Press Next to start" is no longer true once it runs.
    ::ShowWindow(GetDlgItem(IDC_START_HINT), SW_HIDE);

    for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) m_pSheet->EnableButton(id, false);
    m_pSheet->m_bInstalling = true;
    int result = 0;
    {
        ProgressBar progress(bar);
        ScopedJournal showing(progress);
        result = InstallAside(m_pSheet->m_pfnInstall, request, m_pSheet->GetSafeHwnd(), bar);
    }
    m_pSheet->m_bInstalling = false;
    ::ShowWindow(bar, SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_START_HINT), SW_SHOW);
    for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) m_pSheet->EnableButton(id, true);

    if (result == 0) return IDD_WELCOME;
    m_pSheet->m_bInstalled = true;
    m_pSheet->m_szInstalledFolder = request.targetFolder;
    return GetNextPageID(true);
}
