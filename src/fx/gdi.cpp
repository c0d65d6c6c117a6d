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
