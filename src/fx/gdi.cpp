#include "fx/gdi.h"

#include <utility>

bool CFont::CreateFontIndirect(const LOGFONTW& lf) {
    Attach(::CreateFontIndirectW(&lf));
    return m_hObject != nullptr;
}

void CFont::Attach(HFONT font) {
    if (font != m_hObject) DeleteObject();
    m_hObject = font;
}

HFONT CFont::Detach() { return std::exchange(m_hObject, nullptr); }

bool CFont::DeleteObject() {
    if (!m_hObject) return false;
    ::DeleteObject(std::exchange(m_hObject, nullptr));
    return true;
}

bool CFont::GetLogFont(LOGFONTW& lf) const {
    return m_hObject && ::GetObjectW(m_hObject, sizeof lf, &lf) != 0;
}

void CBitmap::Attach(HBITMAP bitmap) {
    if (bitmap != m_hObject) DeleteObject();
    m_hObject = bitmap;
}

bool CBitmap::DeleteObject() {
    if (!m_hObject) return false;
    ::DeleteObject(std::exchange(m_hObject, nullptr));
    return true;
}

HBITMAP ScaleBitmapSmoothly(HBITMAP source, SIZE size) {
    BITMAP info{};
    if (!source || size.cx <= 0 || size.cy <= 0 || !::GetObjectW(source, sizeof info, &info)) return nullptr;
    HDC screen = ::GetDC(nullptr);
    if (!screen) return nullptr;
    HBITMAP scaled = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    HDC from = ::CreateCompatibleDC(screen);
    HDC to = ::CreateCompatibleDC(screen);
    bool drawn = false;
    if (scaled && from && to) {
        HGDIOBJ oldFrom = ::SelectObject(from, source);
        HGDIOBJ oldTo = ::SelectObject(to, scaled);
        ::SetStretchBltMode(to, HALFTONE);
        ::SetBrushOrgEx(to, 0, 0, nullptr);
        drawn = ::StretchBlt(to, 0, 0, size.cx, size.cy, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY) != FALSE;
        ::SelectObject(from, oldFrom);
        ::SelectObject(to, oldTo);
    }
    if (from) ::DeleteDC(from);
    if (to) ::DeleteDC(to);
    ::ReleaseDC(nullptr, screen);
    if (!drawn && scaled) {
        ::DeleteObject(scaled);
        scaled = nullptr;
    }
    return scaled;
}

bool CBrush::CreateSolidBrush(COLORREF colour) {
    Attach(::CreateSolidBrush(colour));
    return m_hObject != nullptr;
}

void CBrush::Attach(HBRUSH brush) {
    if (brush != m_hObject) DeleteObject();
    m_hObject = brush;
}

HBRUSH CBrush::Detach() { return std::exchange(m_hObject, nullptr); }

bool CBrush::DeleteObject() {
    if (!m_hObject) return false;
    ::DeleteObject(std::exchange(m_hObject, nullptr));
    return true;
}

bool GetWindowLogFont(HWND window, LOGFONTW& lf) {
    HGDIOBJ font = window ? reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)) : nullptr;
    if (!font) font = ::GetStockObject(DEFAULT_GUI_FONT);
    if (!font) font = ::GetStockObject(ANSI_VAR_FONT);
    lf = LOGFONTW{};
    return font && ::GetObjectW(font, sizeof lf, &lf) != 0;
}

CPaintDC::CPaintDC(HWND window) : m_hWnd(window) { m_hDC = ::BeginPaint(window, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
