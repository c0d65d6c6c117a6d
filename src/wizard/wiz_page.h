#pragma once
// The one page class of the wizard. There is no subclass per page: each hook acts on the
// page's position in the sheet, and each page's behaviour lives in a file of its own
// (page_welcome.cpp, page_whatsnew.cpp, page_associations.cpp, page_ready.cpp,
// page_finish.cpp). Pages read each other's controls through the sheet.
#include <windows.h>

#include <string>

#include "fx/gdi.h"
#include "fx/property_sheet.h"
#include "wizard/wizard_rules.h"

class CWizPropertySheet;

class CWizPropertyPage : public CPropertyPage {
public:
    explicit CWizPropertyPage(UINT templateId);

    int m_bFirstActivation = 1;
    COLORREF m_crListBk = 0;
    COLORREF m_crListText = 0xFFFFFFFF;  // not read yet
    int m_bIncluded = 1;
    CWizPropertySheet* m_pSheet = nullptr;

    bool DoDataExchange(bool save) override;
    BOOL OnSetActive() override;
    LRESULT OnWizardBack() override;
    LRESULT OnWizardNext() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The template id of the next included page in the given direction, or -1.
    virtual LRESULT GetNextPageID(bool forward);

    // Tick state of a check box or radio button of this page.
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked) const;
    void EnableItem(int id, bool enable) const;
    std::wstring GetItemText(int id, size_t maxChars) const;
    void SetItemText(int id, const std::wstring& text) const;

    // The associations list enabled after check box 3311, in the colours that go with it.
    void ShowAssocListState();
    // The list's column widths and the logo made again for the sheet's DPI.
    void FitToDpi();

private:
    // The page's position in the sheet. The page's own position is used rather than the
    // sheet's current page: while a page is being created or activated the common controls
    // may still report the previous page as current.
    int PageIndex() const;
    void SetTitleFont(int headingId) const;
    // The product bitmap scaled smoothly into the box the page's layout gives it.
    void FitLogo();

    // Welcome page.
    void BindWelcome();
    void ActivateWelcome();
    void FillWelcomeDefaults();
    bool CheckTargetFolder();
    void OnShortcutCheck();
    void OnNoShortcuts();
    void OnBrowseFolder();

    // What's-new page.
    void LoadWhatsNewText();

    // Associations page.
    void ActivateAssociations();
    void BuildAssocList();
    void OnRegistryAssocCheck();
    void OnImagesOnly();
    void OnSelectAll();
    void OnSelectNone();

    // Ready page.
    void BindReady();
    void ActivateReady();
    LRESULT StartInstallation();

    // Finish page.
    void ActivateFinish();

    CBitmap m_bmpLogo;  // the logo at the size of its box, when the page has one
};

// Enables or disables the associations list and its three buttons and gives the list the
// colours; does nothing without a list.
void EnableAssocList(HWND list, bool enable, COLORREF background, COLORREF text);
