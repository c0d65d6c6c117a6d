// The shared skeleton of the page class: navigation, the dispatch by page position and the
// routing of button clicks.
#include "wizard/wiz_page.h"

#include "resources/resource_ids.h"
#include "win/text.h"
#include "wizard/wiz_sheet.h"

CWizPropertyPage::CWizPropertyPage(UINT templateId) : CPropertyPage(templateId) {}

int CWizPropertyPage::PageIndex() const {
    if (!m_pSheet) return -1;
    for (int i = 0; i < m_pSheet->GetPageCount(); ++i)
        if (m_pSheet->GetPage(i) == this) return i;
    return -1;
}

bool CWizPropertyPage::DoDataExchange(bool save) {
    switch (PageIndex()) {
    case kPageWelcome: BindWelcome(); break;
    case kPageWhatsNew: DDX_Control(IDC_FOLDER, m_pSheet->m_whatsNewText); break;
    case kPageReady: BindReady(); break;
    default: break;
    }
    return CPropertyPage::DoDataExchange(save);
}

BOOL CWizPropertyPage::OnSetActive() {
    FitLogo();
    switch (PageIndex()) {
    case kPageWelcome: ActivateWelcome(); break;
    case kPageWhatsNew: LoadWhatsNewText(); break;
    case kPageAssociations: ActivateAssociations(); break;
    case kPageReady: ActivateReady(); break;
    case kPageFinish: ActivateFinish(); break;
    default: break;
    }
    return CPropertyPage::OnSetActive();
}

LRESULT CWizPropertyPage::OnWizardBack() { return GetNextPageID(false); }

LRESULT CWizPropertyPage::OnWizardNext() {
    m_pSheet->EnableButton(kIdWizBack, true);
    switch (PageIndex()) {
    case kPageWelcome:
        if (!CheckTargetFolder()) return -1;
        break;
    case kPageReady:
        return StartInstallation();
    default:
        break;
    }
    return GetNextPageID(true);
}

LRESULT CWizPropertyPage::GetNextPageID(bool forward) {
    int step = forward ? 1 : -1;
    int count = m_pSheet->GetPageCount();
    for (int i = PageIndex() + step; i >= 0 && i < count; i += step) {
        auto* page = static_cast<CWizPropertyPage*>(m_pSheet->GetPage(i));
        if (page->m_bIncluded) return page->GetTemplateId();
    }
    return -1;
}

bool CWizPropertyPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CPropertyPage::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_BROWSE:
    case IDC_INI_BROWSE: OnBrowseFolder(); return true;
    case IDC_DESKTOP:
    case IDC_THUMBNAILS:
    case IDC_STARTMENU: OnShortcutCheck(); return true;
    case IDC_NO_SHORTCUTS: OnNoShortcuts(); return true;
    case IDC_REGISTRY_ASSOC: OnRegistryAssocCheck(); return true;
    case IDC_IMAGES_ONLY: OnImagesOnly(); return true;
    case IDC_SELECT_ALL: OnSelectAll(); return true;
    case IDC_SELECT_NONE: OnSelectNone(); return true;
    default: return CPropertyPage::OnCommand(wParam, lParam);
    }
}

bool CWizPropertyPage::IsChecked(int id) const {
    return ::SendMessageW(GetDlgItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CWizPropertyPage::SetChecked(int id, bool checked) const {
    ::SendMessageW(GetDlgItem(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CWizPropertyPage::EnableItem(int id, bool enable) const { ::EnableWindow(GetDlgItem(id), enable); }

std::wstring CWizPropertyPage::GetItemText(int id, size_t maxChars) const {
    return win::Left(win::GetWindowTextString(GetDlgItem(id)), maxChars);
}

void CWizPropertyPage::SetItemText(int id, const std::wstring& text) const {
    ::SetWindowTextW(GetDlgItem(id), text.c_str());
}

void CWizPropertyPage::SetTitleFont(int headingId) const {
    ::SendMessageW(GetDlgItem(headingId), WM_SETFONT, reinterpret_cast<WPARAM>(m_pSheet->m_fontTitle.GetSafeHandle()),
                   TRUE);
}

// The template gives the picture its box in dialog units, so the box follows the page's font
// and DPI; the 88 x 31 bitmap is drawn into it smoothly rather than left at its pixel size.
void CWizPropertyPage::FitLogo() {
    HWND logo = GetDlgItem(IDC_LOGO);
    if (!logo) return;
    RECT box{};
    ::GetClientRect(logo, &box);
    const SIZE size{box.right - box.left, box.bottom - box.top};
    BITMAP current{};
    if (m_bmpLogo.GetSafeHandle() && ::GetObjectW(m_bmpLogo.GetSafeHandle(), sizeof current, &current) &&
        current.bmWidth == size.cx && current.bmHeight == size.cy)
        return;
    HBITMAP original = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HBITMAP scaled = ScaleBitmapSmoothly(original, size);
    if (original) ::DeleteObject(original);
    if (!scaled) return;
    ::SendMessageW(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled));
    m_bmpLogo.Attach(scaled);  // the picture shows the new one before the old one goes
}
