#include "controls/hyperlink.h"

#include <gtest/gtest.h>

#include "fx_test_dialog.h"

namespace {

using fxtest::ControlsDialog;
using fxtest::FontOf;
using fxtest::WindowFont;



// What the parent's dialog procedure answers when the link asks for its colours.
struct ColourAnswer {
    LRESULT brush;
    COLORREF text;
    int bkMode;
};

ColourAnswer AskColour(const ControlsDialog& dialog, HWND link) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    LRESULT brush = ::SendMessageW(dialog.get(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(link));
    ColourAnswer answer{brush, ::GetTextColor(dc), ::GetBkMode(dc)};
    ::DeleteDC(dc);
    return answer;
}

void Hover(HWND link) { ::SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)); }

void Click(HWND link) {
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// Moves the pointer away and lets the hover timer find it outside. The deadline only guards
// against a timer that never fires.
bool PointerLeaves(const CHyperLink& link) {
    ::SetCursorPos(5, 5);  // the dialog sits at 300, 300
    const ULONGLONG deadline = ::GetTickCount64() + 5000;
    while (link.IsPointerOver() && ::GetTickCount64() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ControlsDialog::Pump();
    }
    return !link.IsPointerOver();
}

}  // namespace

TEST(HyperLinkPure, ColourHandlerCommandAndFit) {
    EXPECT_EQ(LinkTextColour(false, false), RGB(0, 0, 238));
    EXPECT_EQ(LinkTextColour(false, true), RGB(85, 26, 139));
    EXPECT_EQ(LinkTextColour(true, true), RGB(255, 0, 0));

    const std::wstring url = L"http://example.invalid/eula.htm";
    EXPECT_EQ(BuildHandlerCommand(L"\"C:\\b\\browser.exe\" \"%1\"", url), L"\"C:\\b\\browser.exe\"  " + url);
    EXPECT_EQ(BuildHandlerCommand(L"browser.exe -url %1", url), L"browser.exe -url  " + url);
    EXPECT_EQ(BuildHandlerCommand(L"browser.exe", url), L"browser.exe " + url);
    EXPECT_EQ(BuildHandlerCommand(L"b.exe \"%1\" -nohome", url), L"b.exe  " + url) << "the rest goes too";

    const RECT window{100, 50, 300, 90}, client{101, 51, 299, 89};  // a one-pixel border
    const SIZE text{60, 16};
    RECT r = FitRectToText(window, client, text, SS_LEFT);
    EXPECT_TRUE(r.left == 100 && r.top == 50 && r.right == 162 && r.bottom == 68);
    r = FitRectToText(window, client, text, SS_RIGHT | SS_NOTIFY);
    EXPECT_TRUE(r.left == 238 && r.right == 300);
    r = FitRectToText(window, client, text, SS_CENTER | SS_CENTERIMAGE);
    EXPECT_TRUE(r.left == 169 && r.right == 231 && r.top == 61 && r.bottom == 79);
    r = FitRectToText(window, client, text, SS_SIMPLE);  // shares a bit with SS_CENTER
    EXPECT_EQ(r.left, 100);
}

TEST(HyperLink, BindingPreparesTheStaticOnce) {
    ControlsDialog dialog;
    ASSERT_TRUE(dialog.get());
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    const LOGFONTW dialogFont = FontOf(WindowFont(item));

    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));
    EXPECT_FALSE(link.SubclassWindow(item));
    EXPECT_FALSE(CHyperLink().SubclassWindow(item)) << "a window has one object";

    EXPECT_TRUE(::GetWindowLongPtrW(item, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(link.GetTarget(), L"Lumiscope EULA") << "the text is the target when none was set";
    const LOGFONTW plain = FontOf(link.GetPlainFont()), underlined = FontOf(link.GetUnderlinedFont());
    EXPECT_STREQ(plain.lfFaceName, dialogFont.lfFaceName);
    EXPECT_EQ(plain.lfHeight, dialogFont.lfHeight);
    EXPECT_FALSE(plain.lfUnderline);
    EXPECT_TRUE(underlined.lfUnderline);

    // Fitted to its text, far narrower than the template's 150 dialog units.
    RECT r{};
    ::GetWindowRect(item, &r);
    HDC dc = ::GetDC(item);
    ::SelectObject(dc, link.GetUnderlinedFont());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, L"Lumiscope EULA", 14, &extent);
    ::ReleaseDC(item, dc);
    EXPECT_EQ(r.right - r.left, extent.cx);
    EXPECT_EQ(r.bottom - r.top, extent.cy);

    ASSERT_TRUE(link.GetHandCursor());
    EXPECT_EQ(::SendMessageW(item, WM_SETCURSOR, reinterpret_cast<WPARAM>(item), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(::GetCursor(), link.GetHandCursor());

    CHyperLink empty;  // a link without text shows its target
    empty.SetTarget(L"http://example.invalid/eula.htm");
    ASSERT_TRUE(empty.SubclassWindow(dialog.Item(IDC_FXTEST_EMPTY_LINK)));
    EXPECT_EQ(empty.GetWindowText(), L"http://example.invalid/eula.htm");

    ::DestroyWindow(item);
    EXPECT_EQ(link.GetSafeHwnd(), nullptr) << "unbound when the window goes";
}

TEST(HyperLink, HoverColoursAndUnderlineModes) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));

    ColourAnswer idle = AskColour(dialog, item);
    EXPECT_EQ(idle.brush, reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(idle.text, RGB(0, 0, 238));
    EXPECT_EQ(idle.bkMode, TRANSPARENT);

    Hover(item);
    EXPECT_EQ(AskColour(dialog, item).text, RGB(255, 0, 0));
    EXPECT_EQ(WindowFont(item), link.GetUnderlinedFont());
    ASSERT_TRUE(PointerLeaves(link));
    EXPECT_EQ(AskColour(dialog, item).text, RGB(0, 0, 238));
    EXPECT_EQ(WindowFont(item), link.GetPlainFont());

    link.SetUnderlineMode(1);  // always underlined, as the licence link is
    EXPECT_EQ(WindowFont(item), link.GetUnderlinedFont());
    Hover(item);
    ASSERT_TRUE(PointerLeaves(link));
    EXPECT_EQ(WindowFont(item), link.GetUnderlinedFont());

    link.SetUnderlineMode(0);  // never underlined, not even under the pointer
    Hover(item);
    EXPECT_EQ(WindowFont(item), link.GetPlainFont());
    ASSERT_TRUE(PointerLeaves(link));
}

TEST(HyperLink, ClickFollowsOnlyWhenSomethingOpensTheTarget) {
    fxtest::ScratchClassesRoot classes;  // neither the shell nor a web-page handler knows it
    ASSERT_TRUE(classes.ok());
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    link.SetTarget(L"Z:\\lumi-no-such-folder\\missing" + std::to_wstring(::GetCurrentProcessId()) + L".lumi-nothing");
    ASSERT_TRUE(link.SubclassWindow(item));

    Hover(item);
    Click(item);
    EXPECT_FALSE(link.IsFollowed());
    EXPECT_FALSE(link.IsPointerOver()) << "a click ends the hover colour";
    EXPECT_EQ(AskColour(dialog, item).text, RGB(0, 0, 238));

    // The web-page handler's command takes over where the shell fails.
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_TRUE(classes.SetDefault(L".htm", L"LumiFxTest.page"));
    ASSERT_TRUE(classes.SetDefault(L"LumiFxTest.page\\shell\\open\\command",
                                   L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit \"%1\""));
    Click(item);
    EXPECT_TRUE(link.IsFollowed());
    EXPECT_EQ(AskColour(dialog, item).text, RGB(85, 26, 139));
    Hover(item);
    EXPECT_EQ(AskColour(dialog, item).text, RGB(255, 0, 0)) << "hover wins over followed";
}
