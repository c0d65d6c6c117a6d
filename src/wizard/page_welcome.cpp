// Page 0: shortcut choices, current or all users, target folder and the licence link.
#include "install/install_places.h"
#include "install/request/folders.h"
#include "resources/resource_ids.h"
#include "win/text.h"
#include "wizard/wiz_page.h"
#include "wizard/wiz_sheet.h"
#include "wizard/wizard_rules.h"

namespace {

constexpr wchar_t kEulaAddress[] = L"http://www.lumiscope-viewer.de/eula.htm";
constexpr wchar_t kBitness[] = L"64";

}  // namespace

void CWizPropertyPage::BindWelcome() {
    DDX_Control(IDC_EULA_LINK, m_pSheet->m_linkEula);
    m_pSheet->m_linkEula.SetUnderlineMode(1);
    m_pSheet->m_linkEula.SetTarget(kEulaAddress);
}

void CWizPropertyPage::ActivateWelcome() {
    m_pSheet->EnableButton(kIdWizBack, false);
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SETUP));
    m_pSheet->SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    if (m_bFirstActivation) FillWelcomeDefaults();
    m_pSheet->WarnIfViewerRunning(m_hWnd);
    m_bFirstActivation = 0;
}

void CWizPropertyPage::FillWelcomeDefaults() {
    m_pSheet->SetButtonText(kIdWizBack, L"< &Zurück");
    m_pSheet->SetButtonText(kIdWizNext, L"&Weiter >");
    SetTitleFont(IDC_WELCOME_HEADING);

    // The template texts are the formats: the heading takes the bitness, the version line
    // the version and the bitness.
    std::wstring version = win::Format(L"%d.%d", kVersionMajor, kVersionMinor);
    std::wstring heading = GetItemText(IDC_WELCOME_HEADING, 259);
    SetItemText(IDC_WELCOME_HEADING, win::Format(heading.c_str(), kBitness));
    std::wstring versionLine = GetItemText(IDC_VERSION_LINE, 259);
    SetItemText(IDC_VERSION_LINE, win::Format(versionLine.c_str(), version.c_str(), kBitness));

    SetChecked(IDC_DESKTOP, true);
    SetChecked(IDC_THUMBNAILS, true);
    SetChecked(IDC_STARTMENU, true);
    SetChecked(IDC_CURRENT_USER, true);
    SetChecked(IDC_ALL_USERS, false);
    // A user's installation makes links for that user only.
    EnableItem(IDC_ALL_USERS, Places().allUsersLinks);

    if (GetItemText(IDC_FOLDER, kFolderFieldChars).empty()) {
        std::wstring folder = GetDefaultInstallFolder();
        std::wstring registered;
        if (GetRegisteredViewerFolder(registered)) folder = registered;
        SetItemText(IDC_FOLDER, folder);
    }
}

bool CWizPropertyPage::CheckTargetFolder() {
    if (HasDrivePart(GetItemText(IDC_FOLDER, kFolderFieldChars))) return true;
    m_pSheet->ShowMessage(m_hWnd, win::LoadStringText(IDS_INVALID_FOLDER), MB_ICONERROR);
    return false;
}

void CWizPropertyPage::OnShortcutCheck() {
    bool any = IsChecked(IDC_DESKTOP) || IsChecked(IDC_THUMBNAILS) || IsChecked(IDC_STARTMENU);
    EnableItem(IDC_CURRENT_USER, any);
    EnableItem(IDC_ALL_USERS, any && Places().allUsersLinks);
}

void CWizPropertyPage::OnNoShortcuts() {
    SetChecked(IDC_DESKTOP, false);
    SetChecked(IDC_THUMBNAILS, false);
    SetChecked(IDC_STARTMENU, false);
    EnableItem(IDC_CURRENT_USER, false);
    EnableItem(IDC_ALL_USERS, false);
}

// Both the welcome page's browse button and the ready page's hidden one come here; each
// page's folder field is control 1000.
void CWizPropertyPage::OnBrowseFolder() {
    std::wstring folder = GetItemText(IDC_FOLDER, kFolderFieldChars);
    if (!BrowseForFolder(::GetActiveWindow(), folder)) return;
    if (!ApplyProductFolderRule(folder)) return;
    SetItemText(IDC_FOLDER, folder);
}
