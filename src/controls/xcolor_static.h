#pragma once
// A static text that paints itself: its text in a colour and font of its own on a background
// of its own colour, or an icon centred in place of the text.
#include <windows.h>
#include <memory>

#include "fx/gdi.h"
#include "fx/wnd.h"

class CXColorStatic : public CStatic {
public:
    CXColorStatic();
    ~CXColorStatic() override;

    // Replaces the drawing font by `lf`, bold or regular after m_bBold, and repaints at once.
    void ApplyFont(const LOGFONTW& lf);
    // The window's own font in bold.
    void SetBold();
    // Arial of `height` logical units, bold when SetBold came first.
    void SetFontHeight(int height);

    // Shown instead of the text when set; not owned.
    void SetIcon(HICON icon);
    void SetMargins(int x, int y);
    // A new background colour (the system's changed); the brush goes with it.
    void SetBackColour(COLORREF colour);

    HFONT GetDrawFont() const { return m_font; }
    COLORREF GetBackColour() const { return m_crBack; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The text colour; the next paint uses it.
    COLORREF m_crText;

protected:
    void PreSubclassWindow() override;

private:
    void OnPaint();
    void OnEraseBkgnd(HDC dc);

    CFont m_font;
    COLORREF m_crBack;
    std::unique_ptr<CBrush> m_pBrush;
    BOOL m_bBold = FALSE;
    int m_nXMargin = 0;
    int m_nYMargin = 0;
    HICON m_hIcon = nullptr;
};

// The DrawText format for a static control's style: alignment from SS_CENTER/SS_RIGHT, one
// vertically centred line with SS_CENTERIMAGE, word-wrapped text otherwise.
UINT StaticTextFormat(DWORD style);
