#include "controls/hyperlink.h"

#include <string>

#include "controls/link_accessible.h"
#include "fx/system_look.h"
#include "win/desktop_shell.h"
#include "win/unique_handle.h"

namespace {

// The hand cursor, loaded once and kept for the life of the process: cursor 106 of the
// Windows help program, else the system's own hand.
HCURSOR SharedHandCursor() {
    static HCURSOR cursor = [] {
        wchar_t folder[MAX_PATH] = {};
        UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
        HCURSOR copy = nullptr;
        if (n > 0 && n < MAX_PATH) {
            std::wstring path = std::wstring(folder, n) + L"\\winhlp32.exe";
            win::Module module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
            if (module) {
                HCURSOR found = ::LoadCursorW(module.get(), MAKEINTRESOURCEW(106));
                if (found) copy = ::CopyIcon(found);
            }
        }
        if (!copy) {
            HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
            if (hand) copy = ::CopyIcon(hand);
        }
        return copy;
    }();
    return cursor;
}

}  // namespace

COLORREF LinkTextColour(bool pointerOver, bool followed, bool highContrast, COLORREF hotLight) {
    if (highContrast) return hotLight;
    if (pointerOver) return CHyperLink::kColourHover;
    return followed ? CHyperLink::kColourVisited : CHyperLink::kColourLink;
}

RECT FitRectToText(const RECT& window, const RECT& client, SIZE text, DWORD style) {
    const LONG width = text.cx + (window.right - window.left) - (client.right - client.left);
    const LONG height = text.cy + (window.bottom - window.top) - (client.bottom - client.top);
    RECT r = window;
    if (style & SS_CENTERIMAGE) r.top += ((window.bottom - window.top) - height) / 2;
    r.bottom = r.top + height;
    const DWORD align = style & SS_TYPEMASK;
    if (align == SS_CENTER) {
        r.left += ((window.right - window.left) - width) / 2;
        r.right = r.left + width;
    } else if (align == SS_RIGHT) {
        r.left = r.right - width;
    } else {
        r.right = r.left + width;
    }
    return r;
}

CHyperLink::~CHyperLink() {
    if (m_hWnd) ::KillTimer(m_hWnd, kHoverTimerId);
    UnsubclassWindow();  // before the fonts go, so the window never draws with a deleted one
    fontUnderlined.DeleteObject();
}

COLORREF CHyperLink::GetTextColour() const {
    return LinkTextColour(pointerOver, followed, fx::IsHighContrast(), ::GetSysColor(COLOR_HOTLIGHT));
}

void CHyperLink::SetTarget(const std::wstring& address) {
    target = address;
    if (m_hWnd) FitWindowToText();
}

void CHyperLink::SetUnderlineMode(int mode) {
    if (mode != underlineMode && m_hWnd) SelectFont(mode == 1 ? fontUnderlined : fontPlain);
    underlineMode = mode;
}

void CHyperLink::SelectFont(HFONT font) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void CHyperLink::PreSubclassWindow() {
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    const std::wstring text = GetWindowText();
    if (target.empty()) target = text;
    if (text.empty()) SetWindowText(target);

    m_dpi = fx::WindowDpi(m_hWnd);
    LOGFONTW lf{};
    if (GetWindowLogFont(m_hWnd, lf)) {
        fontPlain.CreateFontIndirect(lf);
        lf.lfUnderline = TRUE;
        fontUnderlined.CreateFontIndirect(lf);
    }

    FitWindowToText();
    LoadHandCursor();

    SetUnderlineMode(-1);
}

void CHyperLink::FitWindowToText() {
    if (!m_hWnd || !fitToText) return;
    RECT window{}, client{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    HWND parent = ::GetParent(m_hWnd);
    if (parent) {
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&client), 2);
    }

    const std::wstring text = GetWindowText();
    SIZE extent{};
    {
        win::WindowDC dc(m_hWnd);
        if (!dc) return;
        HGDIOBJ old = fontUnderlined.GetSafeHandle() ? ::SelectObject(dc.get(), fontUnderlined) : nullptr;
        ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        if (old) ::SelectObject(dc.get(), old);
    }

    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    RECT r = FitRectToText(window, client, extent, style);
    ::SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::LoadHandCursor() {
    if (!handCursor) handCursor = SharedHandCursor();
}

bool CHyperLink::DestroyWindow() {
    if (!m_hWnd) return false;
    ::KillTimer(m_hWnd, kHoverTimerId);
    return ::DestroyWindow(m_hWnd) != FALSE;
}

bool CHyperLink::OpenTarget(const std::wstring& address) { return win::OpenAsDesktopUser(address); }

void CHyperLink::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == m_dpi) return;
    LOGFONTW lf{};
    if (fontPlain.GetLogFont(lf)) {
        lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, m_dpi);
        lf.lfWidth = ::MulDiv(lf.lfWidth, dpi, m_dpi);
        lf.lfUnderline = FALSE;
        fontPlain.CreateFontIndirect(lf);
        lf.lfUnderline = TRUE;
        fontUnderlined.CreateFontIndirect(lf);
    }
    m_dpi = dpi;
    if (!m_hWnd) return;
    const bool underlined = underlineMode == 1 || (underlineMode == -1 && pointerOver);
    SelectFont(underlined ? fontUnderlined : fontPlain);
    FitWindowToText();
}

void CHyperLink::OnMouseMove() {
    if (pointerOver) return;
    pointerOver = true;
    if (underlineMode == -1) SelectFont(fontUnderlined);
    Invalidate();
    ::SetTimer(m_hWnd, kHoverTimerId, kHoverPeriodMs, nullptr);
}

void CHyperLink::OnHoverTimer() {
    DWORD pos = ::GetMessagePos();
    POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ::ScreenToClient(m_hWnd, &pt);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (::PtInRect(&client, pt)) return;

    pointerOver = false;
    ::KillTimer(m_hWnd, kHoverTimerId);
    if (underlineMode != 1) SelectFont(fontPlain);
    // The underline of the font just dropped may reach below the client area.
    client.bottom += 10;
    ::InvalidateRect(m_hWnd, &client, TRUE);
}

void CHyperLink::OnClicked() {
    pointerOver = false;
    Activate();
}

void CHyperLink::Activate() {
    if (OpenTarget(target)) {
        followed = true;
        Invalidate();
    } else {
        ::MessageBeep(MB_ICONEXCLAMATION);
    }
}

// The focus rectangle goes over what the static painted; every repaint erases it first.
void CHyperLink::PaintFocus() {
    if (::GetFocus() != m_hWnd) return;
    win::WindowDC dc(m_hWnd);
    if (!dc) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::DrawFocusRect(dc.get(), &client);
}

// Enter and Space belong to the link while it has the focus (Enter would otherwise press the
// default button); Tab, Esc and the access keys stay the dialog's.
UINT CHyperLink::DialogCode(const MSG* message) const {
    if (message && message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_SPACE))
        return DLGC_WANTMESSAGE;
    return 0;
}

// Held down, the key repeats; the link opens once.
bool CHyperLink::OnKeyDown(WPARAM key, LPARAM flags) {
    if (key != VK_RETURN && key != VK_SPACE) return false;
    if ((flags & (1 << 30)) == 0) Activate();
    return true;
}

bool CHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_GETDLGCODE:
        result = DialogCode(reinterpret_cast<const MSG*>(lParam));
        return true;
    case WM_KEYDOWN:
        result = 0;
        return OnKeyDown(wParam, lParam);
    case controls::kLinkActivateMessage:
        Activate();
        result = 0;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        return false;
    case WM_PAINT:
        result = Default();
        PaintFocus();
        return true;
    case WM_GETOBJECT:
        if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
        result = controls::AnswerLinkObjectRequest(m_hWnd, wParam);
        return result != 0;
    case WM_DPICHANGED_AFTERPARENT:
        SetDpi(fx::WindowDpi(m_hWnd));
        return false;
    case WM_SETCURSOR:
        if (!handCursor) return false;
        ::SetCursor(handCursor);
        result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return false;
    case WM_TIMER:
        if (wParam == kHoverTimerId) OnHoverTimer();
        return false;
    case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_BTNFACE));
        result = TRUE;
        return true;
    }
    case WM_DESTROY:
        ::KillTimer(m_hWnd, kHoverTimerId);
        return false;
    default:
        return false;
    }
}

bool CHyperLink::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, GetTextColour());
        ::SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnClicked();
        result = 0;
        return true;
    }
    return false;
}
