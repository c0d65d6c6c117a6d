#pragma once
// A modal dialog from a template, in the style of the property page layer: the dialog's
// messages become virtual calls and their return conventions are written once.
//  - OnInitDialog runs once the dialog and its controls exist; return TRUE to let the system
//    put the focus on the first control, FALSE when the dialog has set it itself.
//  - OnOK (the default button, Enter) and OnCancel (Esc, the close box) end the dialog with
//    IDOK and IDCANCEL unless overridden; OnCommand gets every other command.
//  - Notifications of bound controls are offered to the control first (reflection).
#include <windows.h>

#include "fx/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId);
    ~CDialog() override;

    // Runs the dialog; returns what EndDialog was given, or -1 when it could not be shown.
    INT_PTR DoModal(HWND parent = nullptr);
    void EndDialog(INT_PTR result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // WM_COMMAND other than IDOK and IDCANCEL. Return true when handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);

    UINT GetTemplateId() const { return m_templateId; }

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    UINT m_templateId;
};
