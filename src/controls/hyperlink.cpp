#include "controls/hyperlink.h"

#include <shellapi.h>

#include <string>

#include "win/unique_handle.h"

namespace {

// Registry texts are read into buffers of this many characters, terminator included.
constexpr DWORD kRegistryTextChars = 260;

// The default value of a key below HKEY_CLASSES_ROOT; false when it cannot be read or is
// longer than the buffer the handler lookup allows.
bool ReadClassesDefault(const std::wstring& subKey, std::wstring& value) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
    win::RegKey key(raw);
    wchar_t buffer[kRegistryTextChars] = {};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);  // room for a terminator the data may lack
    DWORD type = 0;
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    value.assign(buffer);
    return true;
}

std::string ToThreadAnsi(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string result(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, result.data(), n, nullptr, nullptr);
    result.resize(static_cast<size_t>(n) - 1);
    return result;
}

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

COLORREF LinkTextColour(bool pointerOver, bool followed) {
    if (pointerOver) return CHyperLink::kColourHover;
    return followed ? CHyperLink::kColourVisited : CHyperLink::kColourLink;
}

std::wstring BuildHandlerCommand(const std::wstring& handlerCommand, const std::wstring& address) {
    size_t cut = handlerCommand.find(L"\"%1\"");
    if (cut == std::wstring::npos) cut = handlerCommand.find(L"%1");
    std::wstring command = handlerCommand.substr(0, cut);
    return command + L" " + address;
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

COLORREF CHyperLink::GetTextColour() const { return LinkTextColour(pointerOver, followed); }

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

INT_PTR CHyperLink::OpenTarget(const std::wstring& address) {
    auto shell = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(::GetDesktopWindow(), L"open", address.c_str(), nullptr, nullptr, SW_SHOW));
    if (shell > 32) return shell;

    std::wstring fileType, handler;
    if (!ReadClassesDefault(L".htm", fileType)) return shell;
    if (!ReadClassesDefault(fileType + L"\\shell\\open\\command", handler)) return shell;
    const std::string command = ToThreadAnsi(BuildHandlerCommand(handler, address));
    return static_cast<INT_PTR>(::WinExec(command.c_str(), SW_SHOW));
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
    if (OpenTarget(target) > 32) {
        followed = true;
        Invalidate();
    } else {
        ::MessageBeep(MB_ICONEXCLAMATION);
    }
}

bool CHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
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
