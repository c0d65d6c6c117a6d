// Page 3: the settings-folder choice and the start of the installation.
#include <windows.h>
#include <commctrl.h>

#include "win/platform.h"
#include "install/request/folders.h"
#include "resources/resource_ids.h"
#include "win/text.h"
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

    HWND status = m_pSheet->m_statusText.GetSafeHwnd();
    ::ShowWindow(status, SW_SHOW);
    ::UpdateWindow(status);

    for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) m_pSheet->EnableButton(id, false);
    int result = m_pSheet->m_pfnInstall(request);
    for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) m_pSheet->EnableButton(id, true);

    if (result == 0) return IDD_WELCOME;
    m_pSheet->m_bInstalled = true;
    return GetNextPageID(true);
}
