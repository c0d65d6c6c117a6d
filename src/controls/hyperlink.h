#pragma once
// A static text turned into a web-style link: blue, red and underlined under the pointer,
// purple once followed, a hand cursor, and a click that opens the target in the browser.
// It is a link for the keyboard and for screen readers too: a tab stop with a focus
// rectangle, Enter and Space act as a click, and it answers WM_GETOBJECT as a link. In high
// contrast it takes the system's hot-light colour.
#include <windows.h>
#include <string>

#include "fx/gdi.h"
#include "fx/wnd.h"

class CHyperLink : public CStatic {
public:
    static constexpr COLORREF kColourLink = RGB(0, 0, 238);
    static constexpr COLORREF kColourVisited = RGB(85, 26, 139);
    static constexpr COLORREF kColourHover = RGB(255, 0, 0);
    static constexpr UINT_PTR kHoverTimerId = 100;
    static constexpr UINT kHoverPeriodMs = 100;

    CHyperLink() = default;
    ~CHyperLink() override;

    // Stores the target and refits the window to its text when the window exists.
    void SetTarget(const std::wstring& address);
    const std::wstring& GetTarget() const { return target; }
    // -1: underlined under the pointer; 1: always; anything else: never.
    void SetUnderlineMode(int mode);
    int GetUnderlineMode() const { return underlineMode; }
    void SetFitToText(bool fit) { fitToText = fit; }
    // Makes the fonts again for the window's new DPI (from the DPI they were made for).
    void SetDpi(int dpi);

    bool IsPointerOver() const { return pointerOver; }
    bool IsFollowed() const { return followed; }
    COLORREF GetTextColour() const;
    HFONT GetPlainFont() const { return fontPlain; }
    HFONT GetUnderlinedFont() const { return fontUnderlined; }
    HCURSOR GetHandCursor() const { return handCursor; }

    void FitWindowToText();
    // Stops the hover timer, then destroys the window.
    bool DestroyWindow();

    // Opens `address` as the desktop's user (never with the setup's own rights); true when
    // the desktop shell took it. Without a desktop shell nothing is opened.
    static bool OpenTarget(const std::wstring& address);
    // What a click does: open the target, then show the link as followed.
    void Activate();

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void PreSubclassWindow() override;

private:
    void SelectFont(HFONT font);
    void LoadHandCursor();
    void OnMouseMove();
    void OnHoverTimer();
    void OnClicked();
    void PaintFocus();
    UINT DialogCode(const MSG* message) const;
    bool OnKeyDown(WPARAM key, LPARAM flags);

    bool pointerOver = false;
    bool followed = false;
    int underlineMode = -1;
    bool fitToText = true;
    std::wstring target;
    CFont fontUnderlined;
    CFont fontPlain;
    HCURSOR handCursor = nullptr;  // shared by all links, kept for the life of the process
    int m_dpi = 96;                // the DPI the fonts were made for
};

// The link's text colour: hover wins over followed, followed over the plain link colour. In
// high contrast every state takes the system's hot-light colour, `hotLight`.
COLORREF LinkTextColour(bool pointerOver, bool followed, bool highContrast = false, COLORREF hotLight = 0);

// The rectangle of a static control fitted to its text. `window` is the control's window
// rectangle and `client` its client rectangle, both in the parent's coordinates; `text` is
// the extent of the text. The alignment styles decide which edges stay.
RECT FitRectToText(const RECT& window, const RECT& client, SIZE text, DWORD style);
