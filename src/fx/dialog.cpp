#include "fx/dialog.h"

CDialog::CDialog(UINT templateId) : m_templateId(templateId) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal(HWND parent) {
    if (m_hWnd) return -1;
    INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                                       &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    UnsubclassWindow();  // normally done already when the window went
    return result;
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_hWnd) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(WPARAM, LPARAM) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        if (!self->SubclassWindow(dialog)) return TRUE;
        return self->OnInitDialog();
    }
    auto* self = dynamic_cast<CDialog*>(FromHandlePermanent(dialog));
    if (!self) return FALSE;

    LRESULT result = 0;
    if (ReflectToChild(message, wParam, lParam, result)) {
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK: self->OnOK(); return TRUE;
        case IDCANCEL: self->OnCancel(); return TRUE;
        default: return self->OnCommand(wParam, lParam) ? TRUE : FALSE;
    }
}
