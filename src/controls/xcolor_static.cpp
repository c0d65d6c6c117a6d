#include "controls/xcolor_static.h"

UINT StaticTextFormat(DWORD style) {
    UINT format = DT_LEFT;
    const DWORD align = style & SS_TYPEMASK;
    if (align == SS_CENTER)
        format = DT_CENTER;
    else if (align == SS_RIGHT)
        format = DT_RIGHT;
    format |= (style & SS_CENTERIMAGE) ? (DT_SINGLELINE | DT_VCENTER) : DT_WORDBREAK;
    return format;
}

CXColorStatic::CXColorStatic()
    : m_crText(::GetSysColor(COLOR_BTNTEXT)),
      m_crBack(::GetSysColor(COLOR_BTNFACE)),
      m_pBrush(std::make_unique<CBrush>(m_crBack)) {}

CXColorStatic::~CXColorStatic() {
    UnsubclassWindow();  // before the font and brush go, so the window never paints with them
}

void CXColorStatic::PreSubclassWindow() {
    LOGFONTW lf{};
    if (GetWindowLogFont(m_hWnd, lf)) m_font.CreateFontIndirect(lf);
}

void CXColorStatic::ApplyFont(const LOGFONTW& lf) {
    LOGFONTW font = lf;
    font.lfWeight = m_bBold ? FW_BOLD : FW_NORMAL;
    m_font.CreateFontIndirect(font);
    if (m_hWnd) ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CXColorStatic::SetBold() {
    m_bBold = TRUE;
    LOGFONTW lf{};
    if (GetWindowLogFont(m_hWnd, lf)) ApplyFont(lf);
}

void CXColorStatic::SetFontHeight(int height) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
    ApplyFont(lf);
}

void CXColorStatic::SetIcon(HICON icon) {
    m_hIcon = icon;
    if (m_hWnd) Invalidate();
}

void CXColorStatic::SetMargins(int x, int y) {
    m_nXMargin = x;
    m_nYMargin = y;
    if (m_hWnd) Invalidate();
}

void CXColorStatic::SetBackColour(COLORREF colour) {
    m_crBack = colour;
    m_pBrush = std::make_unique<CBrush>(colour);
    if (m_hWnd) Invalidate();
}

void CXColorStatic::OnPaint() {
    CPaintDC dc(m_hWnd);
    const int saved = ::SaveDC(dc);
    ::SetTextColor(dc, m_crText);
    ::SetBkColor(dc, m_crBack);
    ::SetBkMode(dc, OPAQUE);
    ::SelectObject(dc, m_pBrush->GetSafeHandle());

    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    if (m_hIcon) {
        const int x = r.left + (r.right - r.left - ::GetSystemMetrics(SM_CXICON)) / 2;
        const int y = r.top + (r.bottom - r.top - ::GetSystemMetrics(SM_CYICON)) / 2;
        ::DrawIcon(dc, x, y, m_hIcon);
    } else {
        if (m_font.GetSafeHandle()) ::SelectObject(dc, m_font.GetSafeHandle());
        const std::wstring text = GetWindowText();
        const UINT format = StaticTextFormat(static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)));
        r.left += m_nXMargin;
        r.top += m_nYMargin;
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    }
    ::RestoreDC(dc, saved);
}

void CXColorStatic::OnEraseBkgnd(HDC dc) {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    ::FillRect(dc, &r, m_pBrush->GetSafeHandle());
}

bool CXColorStatic::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    default:
        return false;
    }
}
