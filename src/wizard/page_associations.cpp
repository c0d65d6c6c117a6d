// Page 2: the file types to associate, usable only while check box 3311 is ticked.
#include <windows.h>
#include <commctrl.h>

#include "fx/system_look.h"
#include "win/platform.h"
#include "install/registry/file_types.h"
#include "resources/resource_ids.h"
#include "wizard/file_type_list.h"
#include "wizard/wiz_page.h"
#include "wizard/wiz_sheet.h"
#include "wizard/wizard_rules.h"

namespace {

constexpr UINT kUnticked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kTicked = INDEXTOSTATEIMAGEMASK(2);

void SetItemTick(HWND list, int index, UINT state) {
    LVITEMW item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = state;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int ItemCount(HWND list) { return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

void InsertColumn(HWND list, int index, int width) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(L"");
    column.iSubItem = index;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

}  // namespace

void EnableAssocList(HWND list, bool enable, COLORREF background, COLORREF text) {
    if (!list) return;
    ::EnableWindow(list, enable);
    ::SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
    ::SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    HWND page = ::GetParent(list);
    for (int id : {IDC_IMAGES_ONLY, IDC_SELECT_ALL, IDC_SELECT_NONE}) ::EnableWindow(::GetDlgItem(page, id), enable);
    ::InvalidateRect(list, nullptr, TRUE);
}

void CWizPropertyPage::ActivateAssociations() {
    ::ShowWindow(GetDlgItem(IDC_ASSOC_ALL_USERS), SW_HIDE);
    if (!m_pSheet->m_hAssocList) BuildAssocList();
    if (!IsChecked(IDC_REGISTRY_ASSOC)) ShowAssocListState();
}

void CWizPropertyPage::ShowAssocListState() {
    const bool enabled = IsChecked(IDC_REGISTRY_ASSOC);
    const SystemColours system{::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_GRAYTEXT)};
    ListColours colours = AssocListColours(enabled, fx::IsHighContrast(), {m_crListBk, m_crListText}, system);
    EnableAssocList(m_pSheet->m_hAssocList, enabled, colours.background, colours.text);
}

void CWizPropertyPage::BuildAssocList() {
    HWND list = GetDlgItem(IDC_ASSOC_LIST);
    m_pSheet->m_hAssocList = list;
    if (IsWindowsAtLeast(6, 0, 0)) SetChecked(IDC_REGISTRY_ASSOC, false);
    // Windows 11 ignores associations written this way.
    if (GetWindowsVersionClass() == 11) EnableItem(IDC_REGISTRY_ASSOC, false);
    if (m_crListText == 0xFFFFFFFF) {
        m_crListBk = static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
        m_crListText = static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0));
    }
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ~0u, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    RECT rect = {};
    ::GetWindowRect(list, &rect);
    auto [first, second] = AssocColumnWidths(rect.right - rect.left, m_pSheet->m_nDpi);
    InsertColumn(list, 0, first);
    InsertColumn(list, 1, second);
    FillFileTypeList(list);
}

void CWizPropertyPage::FitToDpi() {
    FitLogo();
    HWND list = GetDlgItem(IDC_ASSOC_LIST);
    if (!list || list != m_pSheet->m_hAssocList) return;
    RECT rect = {};
    ::GetWindowRect(list, &rect);
    auto [first, second] = AssocColumnWidths(rect.right - rect.left, m_pSheet->m_nDpi);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, first);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, second);
}

void CWizPropertyPage::OnRegistryAssocCheck() { ShowAssocListState(); }

void CWizPropertyPage::OnImagesOnly() {
    HWND list = m_pSheet->m_hAssocList;
    for (int i = 0; i < static_cast<int>(kImageRowCount); ++i) SetItemTick(list, i, kTicked);
    for (int i = static_cast<int>(kImageRowCount); i < ItemCount(list); ++i) SetItemTick(list, i, kUnticked);
}

void CWizPropertyPage::OnSelectAll() {
    HWND list = m_pSheet->m_hAssocList;
    for (int i = 0; i < ItemCount(list); ++i) SetItemTick(list, i, kTicked);
}

void CWizPropertyPage::OnSelectNone() {
    HWND list = m_pSheet->m_hAssocList;
    for (int i = 0; i < ItemCount(list); ++i) SetItemTick(list, i, kUnticked);
}
