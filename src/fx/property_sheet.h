#pragma once
// Property sheet and page in wizard mode over the common controls' property sheet. The page
// layer turns PSN_* notifications into virtual calls and writes their return conventions once:
//  - DoDataExchange(false) runs when the page's dialog is initialised and each time the page
//    is shown again; DoDataExchange(true) each time it is left. DDX_Control binds a control
//    object the first time only.
//  - OnSetActive returns nonzero to accept the activation.
//  - OnWizardNext/OnWizardBack return 0 for the neighbouring page, -1 to stay, or a dialog
//    template id to go to that page.
//  - While a page is being initialised or activated, GetActiveIndex already names that page
//    (the common controls switch their current page only afterwards).
//  - The sheet keeps its title: the construction caption, or what the program sets later.
//    The common controls of some systems retitle a wizard from each page's (empty) caption.
#include <windows.h>
#include <commctrl.h>
#include <vector>

#include "fx/wnd.h"

class CPropertySheet;
class ScopedIndex;

class CPropertyPage : public CWnd {
public:
    explicit CPropertyPage(UINT templateId);
    ~CPropertyPage() override;

    UINT GetTemplateId() const { return m_templateId; }
    CPropertySheet* GetParentSheet() const { return m_sheet; }

    // The dialog data: `save` false fills controls, true reads them. Return false to refuse.
    virtual bool DoDataExchange(bool save);
    virtual BOOL OnInitDialog();
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    virtual LRESULT OnWizardNext();
    virtual LRESULT OnWizardBack();
    virtual BOOL OnQueryCancel();
    // WM_COMMAND of the page (button clicks). Return true when handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);

    // Binds `control` to dialog item `id` unless it is bound already.
    void DDX_Control(int id, CWnd& control);

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR OnInitDialogMessage(HWND page);
    ScopedIndex ActivatingScope();
    bool OnSheetNotify(const NMHDR& header, LRESULT& result);
    UINT m_templateId;
    CPropertySheet* m_sheet = nullptr;
    bool m_firstSetActive = true;
};

class CPropertySheet : public CWnd {
public:
    // The sheet starts in wizard mode (PSH_WIZARD), plain style.
    CPropertySheet(const wchar_t* caption, HWND parent, UINT startPage);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* page);
    INT_PTR DoModal();
    int GetActiveIndex() const;
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;

    // Hooks of the sheet's own window.
    virtual BOOL OnInitDialog();                          // once the start page is shown
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam); // true: consumed
    virtual bool OnSysCommand(UINT command, LPARAM lParam); // true: consumed

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The sheet's title. The common controls retitle a wizard from each page's caption on some
    // systems; the sheet's window always shows this title instead.
    void SetTitle(const std::wstring& title);

    // The Back, Next and Cancel buttons of the frame.
    HWND GetButton(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
    PROPSHEETHEADERW m_psh{};
    std::wstring m_caption;

private:
    friend class CPropertyPage;
    static int CALLBACK SheetCallback(HWND, UINT, LPARAM);
    void BindWindow(HWND sheet);
    void OnPageActivated();
    void RunInitDialog();
    int IndexOf(const CPropertyPage* page) const;
    std::vector<CPropertyPage*> m_pages;
    UINT m_startPage;
    int m_activatingIndex = -1;  // the page in its WM_INITDIALOG or PSN_SETACTIVE, else -1
    bool m_pageShown = false;    // a page has accepted its activation in this run
    bool m_initPending = false;  // the window is known, OnInitDialog waits for the first page
};
