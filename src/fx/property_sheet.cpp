#include "fx/property_sheet.h"

#include <utility>

#include "fx/common_controls.h"

namespace {

// The sheet whose PropertySheetW call is running, until its window is known. Sheets are shown
// from one thread at a time (a thread_local would bring a threads library into the program).
CPropertySheet* s_sheetBeingCreated = nullptr;

// Dialog procedures return most results through DWLP_MSGRESULT; a few messages return theirs
// directly.
INT_PTR DialogResult(HWND dialog, UINT message, LRESULT result) {
    switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM: case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

}  // namespace

// Sets `slot` for the lifetime of the object and restores the earlier value afterwards.
class ScopedIndex {
public:
    ScopedIndex(int& slot, int value) : m_slot(slot), m_saved(std::exchange(slot, value)) {}
    ~ScopedIndex() { m_slot = m_saved; }
    ScopedIndex(const ScopedIndex&) = delete;
    ScopedIndex& operator=(const ScopedIndex&) = delete;

private:
    int& m_slot;
    int m_saved;
};

// ---- CPropertyPage ----

CPropertyPage::CPropertyPage(UINT templateId) : m_templateId(templateId) {}

CPropertyPage::~CPropertyPage() = default;

bool CPropertyPage::DoDataExchange(bool) { return true; }

BOOL CPropertyPage::OnInitDialog() {
    DoDataExchange(false);
    return TRUE;
}

BOOL CPropertyPage::OnSetActive() {
    // The first activation follows OnInitDialog, which has filled the controls already.
    if (m_firstSetActive)
        m_firstSetActive = false;
    else
        DoDataExchange(false);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return DoDataExchange(true) ? TRUE : FALSE; }

LRESULT CPropertyPage::OnWizardNext() { return 0; }

LRESULT CPropertyPage::OnWizardBack() { return 0; }

BOOL CPropertyPage::OnQueryCancel() { return TRUE; }

bool CPropertyPage::OnCommand(WPARAM, LPARAM) { return false; }

void CPropertyPage::DDX_Control(int id, CWnd& control) {
    if (!control.GetSafeHwnd()) control.SubclassDlgItem(id, m_hWnd);
}

ScopedIndex CPropertyPage::ActivatingScope() {
    static int s_noSheet = -1;
    return m_sheet ? ScopedIndex(m_sheet->m_activatingIndex, m_sheet->IndexOf(this)) : ScopedIndex(s_noSheet, -1);
}

INT_PTR CPropertyPage::OnInitDialogMessage(HWND page) {
    // The sheet is bound here when its first page comes before the sheet's own callback, so
    // that the page's handlers can reach the sheet's buttons already.
    SubclassWindow(page);
    if (m_sheet && !m_sheet->GetSafeHwnd()) m_sheet->BindWindow(::GetParent(page));
    ScopedIndex activating = ActivatingScope();
    return OnInitDialog();
}

bool CPropertyPage::OnSheetNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case PSN_SETACTIVE: {
        ScopedIndex activating = ActivatingScope();
        result = OnSetActive() ? 0 : -1;
        if (result == 0 && m_sheet) m_sheet->OnPageActivated();
        return true;
    }
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_WIZNEXT:
        result = OnWizardNext();
        return true;
    case PSN_WIZBACK:
        result = OnWizardBack();
        return true;
    case PSN_QUERYCANCEL:
        result = OnQueryCancel() ? FALSE : TRUE;
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = reinterpret_cast<CPropertyPage*>(sheetPage->lParam);
        return page->OnInitDialogMessage(dialog);
    }
    auto* page = dynamic_cast<CPropertyPage*>(FromHandlePermanent(dialog));
    if (!page) return FALSE;

    LRESULT result = 0;
    if (ReflectToChild(message, wParam, lParam, result)) return DialogResult(dialog, message, result);
    if (message == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom == ::GetParent(dialog) && page->OnSheetNotify(header, result))
            return DialogResult(dialog, message, result);
    } else if (message == WM_COMMAND) {
        if (page->OnCommand(wParam, lParam)) return DialogResult(dialog, message, 0);
    }
    return FALSE;
}

// ---- CPropertySheet ----

CPropertySheet::CPropertySheet(const wchar_t* caption, HWND parent, UINT startPage)
    : m_caption(caption ? caption : L""), m_startPage(startPage) {
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_WIZARD;
    m_psh.hwndParent = parent;
    m_psh.nStartPage = startPage;
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
    if (!page) return;
    page->m_sheet = this;
    m_pages.push_back(page);
}

INT_PTR CPropertySheet::DoModal() {
    if (m_pages.empty() || m_hWnd) return -1;
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    std::vector<PROPSHEETPAGEW> pages(m_pages.size());
    for (size_t i = 0; i < m_pages.size(); ++i) {
        PROPSHEETPAGEW& p = pages[i];
        p.dwSize = sizeof p;
        p.dwFlags = PSP_DEFAULT;
        p.hInstance = module;
        p.pszTemplate = MAKEINTRESOURCEW(m_pages[i]->GetTemplateId());
        p.pfnDlgProc = &CPropertyPage::DialogProc;
        p.lParam = reinterpret_cast<LPARAM>(m_pages[i]);
        m_pages[i]->m_firstSetActive = true;
    }
    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.hInstance = module;
    m_psh.pszCaption = m_caption.c_str();
    m_psh.nPages = static_cast<UINT>(pages.size());
    m_psh.nStartPage = m_startPage;
    m_psh.ppsp = pages.data();
    m_psh.pfnCallback = &CPropertySheet::SheetCallback;

    m_pageShown = m_initPending = false;
    CPropertySheet* outer = std::exchange(s_sheetBeingCreated, this);
    const fx::CommonControls& controls = fx::LoadCommonControls();
    INT_PTR result = controls.loaded() ? controls.propertySheet(&m_psh) : -1;
    s_sheetBeingCreated = outer;
    m_psh.ppsp = nullptr;
    m_activatingIndex = -1;
    m_pageShown = m_initPending = false;
    UnsubclassWindow();  // normally done already when the window went
    return result;
}

int CALLBACK CPropertySheet::SheetCallback(HWND window, UINT message, LPARAM) {
    if (message != PSCB_INITIALIZED || !s_sheetBeingCreated) return 0;
    // Some systems call back before the start page exists, others after it is shown; the
    // framework's OnInitDialog comes after the start page either way.
    CPropertySheet* sheet = std::exchange(s_sheetBeingCreated, nullptr);
    sheet->BindWindow(window);
    if (sheet->m_pageShown)
        sheet->RunInitDialog();
    else
        sheet->m_initPending = true;
    return 0;
}

void CPropertySheet::BindWindow(HWND sheet) {
    if (m_hWnd != sheet) SubclassWindow(sheet);
}

void CPropertySheet::RunInitDialog() {
    m_initPending = false;
    SetWindowText(m_caption);
    OnInitDialog();
}

void CPropertySheet::OnPageActivated() {
    m_pageShown = true;
    if (m_initPending) RunInitDialog();
}

void CPropertySheet::SetTitle(const std::wstring& title) {
    m_caption = title;
    if (m_hWnd) SetWindowText(m_caption);
}

int CPropertySheet::IndexOf(const CPropertyPage* page) const {
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page) return static_cast<int>(i);
    return -1;
}

int CPropertySheet::GetActiveIndex() const {
    if (m_activatingIndex >= 0) return m_activatingIndex;
    if (!m_hWnd) return static_cast<int>(m_startPage);
    auto page = static_cast<WPARAM>(SendMessage(PSM_GETCURRENTPAGEHWND));
    return static_cast<int>(SendMessage(PSM_HWNDTOINDEX, page));
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

BOOL CPropertySheet::OnInitDialog() { return TRUE; }

bool CPropertySheet::OnCommand(WPARAM, LPARAM) { return false; }

bool CPropertySheet::OnSysCommand(UINT, LPARAM) { return false; }

bool CPropertySheet::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_SETTEXT) {
        result = DefaultFor(message, wParam, reinterpret_cast<LPARAM>(m_caption.c_str()));
        return true;
    }
    if (message == WM_COMMAND && OnCommand(wParam, lParam)) {
        result = 0;
        return true;
    }
    if (message == WM_SYSCOMMAND && OnSysCommand(static_cast<UINT>(wParam), lParam)) {
        result = 0;
        return true;
    }
    return false;
}
