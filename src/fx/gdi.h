#pragma once
// Owners of GDI objects and of a paint session: non-copyable, deleted in the destructor.
#include <windows.h>

class CFont {
public:
    CFont() = default;
    ~CFont() { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    bool CreateFontIndirect(const LOGFONTW& lf);
    void Attach(HFONT font);         // deletes a font held before
    HFONT Detach();
    bool DeleteObject();
    HFONT GetSafeHandle() const { return m_hObject; }
    operator HFONT() const { return m_hObject; }
    bool GetLogFont(LOGFONTW& lf) const;

private:
    HFONT m_hObject = nullptr;
};

class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    ~CBrush() { DeleteObject(); }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;

    bool CreateSolidBrush(COLORREF colour);
    void Attach(HBRUSH brush);
    HBRUSH Detach();
    bool DeleteObject();
    HBRUSH GetSafeHandle() const { return m_hObject; }
    operator HBRUSH() const { return m_hObject; }

private:
    HBRUSH m_hObject = nullptr;
};

class CBitmap {
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    void Attach(HBITMAP bitmap);     // deletes a bitmap held before
    bool DeleteObject();
    HBITMAP GetSafeHandle() const { return m_hObject; }

private:
    HBITMAP m_hObject = nullptr;
};

// `source` drawn into a new bitmap of `size` with smoothing (halftone); null on failure.
HBITMAP ScaleBitmapSmoothly(HBITMAP source, SIZE size);

// The description of the font a window draws with: the font it reports for WM_GETFONT, else
// the stock DEFAULT_GUI_FONT, else the stock ANSI_VAR_FONT. False when none can be read.
bool GetWindowLogFont(HWND window, LOGFONTW& lf);

// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC {
public:
    explicit CPaintDC(HWND window);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC m_hDC = nullptr;
    operator HDC() const { return m_hDC; }
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};
