#include "controls/read_only_text.h"

bool CReadOnlyText::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_GETDLGCODE:
        // Arrows scroll; the Page keys are no dialog keys and reach the field anyway.
        result = DLGC_WANTARROWS;
        return true;
    case WM_SETFOCUS:
        result = Default();
        ::SendMessageW(m_hWnd, EM_SETSEL, 0, 0);
        return true;
    default:
        return false;
    }
}
