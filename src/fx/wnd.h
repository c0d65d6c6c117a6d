#pragma once
// The least window layer the wizard needs, in place of the framework its design assumes:
// window objects bound to existing windows by subclassing (SetWindowSubclass, never
// GWLP_USERDATA), with notifications of a control reflected to the control's own object first.
#include <windows.h>
#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binds this object to an existing window (a dialog item) and calls PreSubclassWindow
    // first. False when the window does not exist or this object is bound already.
    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(int id, HWND parent);
    void UnsubclassWindow();
    // The object bound to a window, or nullptr.
    static CWnd* FromHandlePermanent(HWND window);

    // Messages that reach the bound window. Return true when handled; `result` is then returned.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A parent's WM_CTLCOLORSTATIC/WM_COMMAND/WM_NOTIFY about this control, offered to the
    // control first (reflection). Return true when handled.
    virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Offers a parent's message to the child it concerns; true when the child handled it.
    static bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The window's original procedure for the message being handled.
    LRESULT Default();
    LRESULT DefaultFor(UINT message, WPARAM wParam, LPARAM lParam);

    // Thin conveniences over the window handle.
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }

protected:
    virtual void PreSubclassWindow() {}

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    struct CurrentMessage { UINT message; WPARAM wParam; LPARAM lParam; };
    CurrentMessage m_current{};
};

class CStatic : public CWnd {};
