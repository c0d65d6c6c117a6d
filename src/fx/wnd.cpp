#include "fx/wnd.h"

#include "fx/common_controls.h"
#include "win/text.h"

namespace {
// One subclass id for every bound object; the reference data is the object.
constexpr UINT_PTR kSubclassId = 0x4C756D69;

BOOL GetSubclassData(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* data) {
    const fx::CommonControls& controls = fx::LoadCommonControls();
    return controls.loaded() ? controls.getSubclass(window, proc, id, data) : FALSE;
}

HWND ChildOfParentMessage(UINT message, LPARAM lParam) {
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return reinterpret_cast<HWND>(lParam);
    if (message == WM_COMMAND) return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    if (message == WM_NOTIFY && lParam) return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    return nullptr;
}
}  // namespace

CWnd::~CWnd() { UnsubclassWindow(); }

bool CWnd::SubclassWindow(HWND window) {
    if (m_hWnd || !::IsWindow(window) || FromHandlePermanent(window)) return false;
    m_hWnd = window;
    PreSubclassWindow();
    const fx::CommonControls& controls = fx::LoadCommonControls();
    if (!controls.loaded() ||
        !controls.setSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

bool CWnd::SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }

void CWnd::UnsubclassWindow() {
    if (!m_hWnd) return;
    fx::LoadCommonControls().removeSubclass(m_hWnd, SubclassProc, kSubclassId);  // bound only if loaded
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    DWORD_PTR object = 0;
    if (!window || !GetSubclassData(window, SubclassProc, kSubclassId, &object)) return nullptr;
    return reinterpret_cast<CWnd*>(object);
}

bool CWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    CWnd* child = FromHandlePermanent(ChildOfParentMessage(message, lParam));
    return child && child->OnReflectedMessage(message, wParam, lParam, result);
}

LRESULT CWnd::Default() { return DefaultFor(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::DefaultFor(UINT message, WPARAM wParam, LPARAM lParam) {
    return fx::LoadCommonControls().defSubclassProc(m_hWnd, message, wParam, lParam);
}

std::wstring CWnd::GetWindowText() const { return win::GetWindowTextString(m_hWnd); }

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR object) {
    CWnd* self = reinterpret_cast<CWnd*>(object);
    if (message == WM_NCDESTROY) {
        // The window is going: the object outlives it unbound and may be bound again.
        LRESULT result = fx::LoadCommonControls().defSubclassProc(window, message, wParam, lParam);
        self->UnsubclassWindow();
        return result;
    }
    const CurrentMessage outer = self->m_current;  // handlers may send messages to themselves
    self->m_current = {message, wParam, lParam};
    LRESULT result = 0;
    bool handled = self->OnMessage(message, wParam, lParam, result);
    self->m_current = outer;
    return handled ? result : fx::LoadCommonControls().defSubclassProc(window, message, wParam, lParam);
}
