#pragma once
// The wizard's frame: one property sheet in wizard mode holding the five pages. It owns what
// the pages share (title font, the associations list's handle, the two custom controls) and
// asks before the user leaves the wizard.
#include <windows.h>

#include <atomic>
#include <string>

#include "install/request/install_request.h"
#include "controls/hyperlink.h"
#include "controls/read_only_text.h"
#include "controls/xcolor_static.h"
#include "fx/gdi.h"
#include "fx/property_sheet.h"

// The frame's buttons, by the ids the common controls give them.
constexpr int kIdWizBack = 12323;
constexpr int kIdWizNext = 12324;

// Page positions; a page's position alone decides its behaviour.
enum PageIndex : int { kPageWelcome = 0, kPageWhatsNew = 1, kPageAssociations = 2, kPageReady = 3, kPageFinish = 4 };

class CWizPropertySheet : public CPropertySheet {
public:
    using InstallFunction = int (*)(InstallRequest&);

    CWizPropertySheet();

    CFont m_fontTitle;
    HWND m_hAssocList = nullptr;
    CHyperLink m_linkEula;
    CXColorStatic m_statusText;
    CReadOnlyText m_whatsNewText;
    std::wstring m_szTitle;
    // The DPI the sheet is shown at; fonts, column widths and the logo are made for it.
    int m_nDpi = 96;
    // The folder the installation went into (as made, not as typed); the viewer starts there.
    std::wstring m_szInstalledFolder;

    // Carries out the request the ready page built (DoInstall; tests put a recorder here).
    InstallFunction m_pfnInstall;
    // Set when an installation was carried out during this run.
    bool m_bInstalled = false;
    // While the installation runs (on a thread of its own): the sheet cannot be closed.
    std::atomic<bool> m_bInstalling{false};

    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnSysCommand(UINT command, LPARAM lParam) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The title font for `dpi`, given to the headings of the pages made so far.
    void MakeTitleFont(int dpi);
    // Colours after the system's (high contrast or not) on every control that has its own.
    void ApplyColours();
    // Fonts, column widths and logos made again for a new DPI.
    void OnDpiChanged(int dpi, const RECT* suggested);

    void EnableButton(int id, bool enable) const;
    void SetButtonText(int id, const std::wstring& text) const;
    // The finish page's default button is "Fertig stellen", so that Enter presses it.
    void MakeCancelDefault();
    // A message box owned by `owner` with the wizard's caption.
    int ShowMessage(HWND owner, const std::wstring& text, UINT flags) const;
    // The running-viewer check: true (after the warning) when a viewer window exists.
    bool WarnIfViewerRunning(HWND owner) const;

protected:
    void PreSubclassWindow() override;

private:
    bool ConfirmQuit();
    void RunFinishActions();
};

// The one sheet of the program, alive for the whole run.
CWizPropertySheet& TheWizardSheet();
