#include "controls/hyperlink.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "fx_test_dialog.h"

namespace {

using fxtest::ControlsDialog;

LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof lf, &lf);
    return lf;
}

HFONT WindowFont(HWND window) { return reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)); }

// The colour the parent's dialog procedure gives the link's text for the next paint.
struct ColourRequest {
    LRESULT brush;
    COLORREF text;
    int bkMode;
};

ColourRequest AskColour(const ControlsDialog& dialog, HWND link) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetTextColor(dc, RGB(1, 2, 3));
    LRESULT brush = ::SendMessageW(dialog.get(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(link));
    ColourRequest r{brush, ::GetTextColor(dc), ::GetBkMode(dc)};
    ::DeleteDC(dc);
    return r;
}

void Click(HWND link) {
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// Moves the pointer away and lets the hover timer find it outside. The deadline only guards
// against a timer that never fires.
bool WaitForPointerToLeave(const CHyperLink& link) {
    ::SetCursorPos(5, 5);
    const ULONGLONG deadline = ::GetTickCount64() + 5000;
    while (link.IsPointerOver() && ::GetTickCount64() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ControlsDialog::Pump();
    }
    return !link.IsPointerOver();
}

std::wstring UnopenableTarget() {
    return L"Z:\\lumi-no-such-folder\\missing" + std::to_wstring(::GetCurrentProcessId()) + L".lumi-nothing";
}

}  // namespace

TEST(HyperLinkPure, ColourFollowsHoverThenFollowed) {
    EXPECT_EQ(LinkTextColour(false, false), RGB(0, 0, 238));
    EXPECT_EQ(LinkTextColour(false, true), RGB(85, 26, 139));
    EXPECT_EQ(LinkTextColour(true, false), RGB(255, 0, 0));
    EXPECT_EQ(LinkTextColour(true, true), RGB(255, 0, 0));
}

TEST(HyperLinkPure, HandlerCommandReplacesPlaceholderOrAppends) {
    const std::wstring url = L"http://example.invalid/eula.htm";
    EXPECT_EQ(BuildHandlerCommand(L"\"C:\\b\\browser.exe\" \"%1\"", url), L"\"C:\\b\\browser.exe\"  " + url);
    EXPECT_EQ(BuildHandlerCommand(L"\"C:\\b\\browser.exe\" -url %1", url), L"\"C:\\b\\browser.exe\" -url  " + url);
    EXPECT_EQ(BuildHandlerCommand(L"C:\\b\\browser.exe", url), L"C:\\b\\browser.exe " + url);
    // Everything after the placeholder goes with it.
    EXPECT_EQ(BuildHandlerCommand(L"b.exe \"%1\" -nohome", url), L"b.exe  " + url);
    // The quoted form wins over an earlier bare one only when present at all.
    EXPECT_EQ(BuildHandlerCommand(L"b.exe %1 \"%1\"", url), L"b.exe %1  " + url);
}

TEST(HyperLinkPure, FitKeepsTheEdgesTheAlignmentAsksFor) {
    const RECT window{100, 50, 300, 90};  // 200 x 40, a one-pixel border all round
    const RECT client{101, 51, 299, 89};
    const SIZE text{60, 16};

    RECT left = FitRectToText(window, client, text, SS_LEFT);
    EXPECT_EQ(left.left, 100); EXPECT_EQ(left.top, 50);
    EXPECT_EQ(left.right, 162); EXPECT_EQ(left.bottom, 68);

    RECT right = FitRectToText(window, client, text, SS_RIGHT | SS_NOTIFY);
    EXPECT_EQ(right.right, 300); EXPECT_EQ(right.left, 238);

    RECT centred = FitRectToText(window, client, text, SS_CENTER | SS_CENTERIMAGE);
    EXPECT_EQ(centred.left, 169); EXPECT_EQ(centred.right, 231);
    EXPECT_EQ(centred.top, 61); EXPECT_EQ(centred.bottom, 79);

    // SS_SIMPLE shares a bit with SS_CENTER but is left-aligned text.
    RECT simple = FitRectToText(window, client, text, SS_SIMPLE);
    EXPECT_EQ(simple.left, 100);
}

TEST(HyperLink, BindingPreparesTheStaticOnce) {
    ControlsDialog dialog;
    ASSERT_TRUE(dialog.get());
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    const LOGFONTW dialogFont = FontOf(WindowFont(item));

    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));
    EXPECT_EQ(CWnd::FromHandlePermanent(item), &link);
    EXPECT_FALSE(link.SubclassWindow(item));
    CHyperLink other;
    EXPECT_FALSE(other.SubclassWindow(item)) << "a window has one object";

    EXPECT_TRUE(::GetWindowLongPtrW(item, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(link.GetTarget(), L"Lumiscope EULA");
    EXPECT_EQ(link.GetUnderlineMode(), -1);
    EXPECT_TRUE(link.GetHandCursor());

    LOGFONTW plain = FontOf(link.GetPlainFont()), underlined = FontOf(link.GetUnderlinedFont());
    EXPECT_STREQ(plain.lfFaceName, dialogFont.lfFaceName);
    EXPECT_EQ(plain.lfHeight, dialogFont.lfHeight);
    EXPECT_FALSE(plain.lfUnderline);
    EXPECT_TRUE(underlined.lfUnderline);
    EXPECT_STREQ(underlined.lfFaceName, dialogFont.lfFaceName);

    // Fitted to the text: the template's 150 dialog units are far wider than the words.
    RECT r{};
    ::GetWindowRect(item, &r);
    HDC dc = ::GetDC(item);
    ::SelectObject(dc, link.GetUnderlinedFont());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, L"Lumiscope EULA", 14, &extent);
    ::ReleaseDC(item, dc);
    EXPECT_EQ(r.right - r.left, extent.cx);
    EXPECT_EQ(r.bottom - r.top, extent.cy);

    HCURSOR before = ::GetCursor();
    EXPECT_EQ(::SendMessageW(item, WM_SETCURSOR, reinterpret_cast<WPARAM>(item), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(::GetCursor(), link.GetHandCursor());
    ::SetCursor(before);

    ::DestroyWindow(item);
    EXPECT_EQ(link.GetSafeHwnd(), nullptr) << "unbound when the window goes";
    EXPECT_EQ(CWnd::FromHandlePermanent(item), nullptr);
}

TEST(HyperLink, TextAndTargetFillEachOther) {
    ControlsDialog dialog;
    CHyperLink empty;
    empty.SetTarget(L"http://example.invalid/eula.htm");
    ASSERT_TRUE(empty.SubclassWindow(dialog.Item(IDC_FXTEST_EMPTY_LINK)));
    EXPECT_EQ(empty.GetWindowText(), L"http://example.invalid/eula.htm");

    CHyperLink named;
    named.SetTarget(L"http://example.invalid/faq.htm");
    ASSERT_TRUE(named.SubclassWindow(dialog.Item(IDC_FXTEST_LINK)));
    EXPECT_EQ(named.GetWindowText(), L"Lumiscope EULA") << "a text of its own is kept";
    EXPECT_EQ(named.GetTarget(), L"http://example.invalid/faq.htm");
}

TEST(HyperLink, CentredLinkShrinksAroundItsMiddle) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_CENTRED_LINK);
    RECT before{};
    ::GetWindowRect(item, &before);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));
    RECT after{};
    ::GetWindowRect(item, &after);
    EXPECT_LT(after.right - after.left, before.right - before.left);
    EXPECT_LE(std::abs((after.left + after.right) - (before.left + before.right)), 1);
    EXPECT_LE(std::abs((after.top + after.bottom) - (before.top + before.bottom)), 1);
}

TEST(HyperLink, ParentColourRequestIsAnsweredByTheLink) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));

    ColourRequest idle = AskColour(dialog, item);
    EXPECT_EQ(idle.brush, reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(idle.text, RGB(0, 0, 238));
    EXPECT_EQ(idle.bkMode, TRANSPARENT);

    // A static that nothing is bound to keeps the dialog's own answer.
    EXPECT_NE(AskColour(dialog, dialog.Item(IDC_FXTEST_PLAIN)).brush,
              reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
}

TEST(HyperLink, HoverTurnsRedAndUnderlinedUntilThePointerLeaves) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));

    ::SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(link.IsPointerOver());
    EXPECT_EQ(AskColour(dialog, item).text, RGB(255, 0, 0));
    EXPECT_EQ(WindowFont(item), link.GetUnderlinedFont());

    ASSERT_TRUE(WaitForPointerToLeave(link));
    EXPECT_EQ(AskColour(dialog, item).text, RGB(0, 0, 238));
    EXPECT_EQ(WindowFont(item), link.GetPlainFont());
}

TEST(HyperLink, AlwaysUnderlinedKeepsTheUnderlineAfterLeaving) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(item));
    link.SetUnderlineMode(1);
    EXPECT_EQ(WindowFont(item), link.GetUnderlinedFont());

    ::SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    ASSERT_TRUE(WaitForPointerToLeave(link));
    EXPECT_EQ(WindowFont(item), link.GetUnderlinedFont());

    // Any mode but -1 and 1 never underlines, not even under the pointer.
    link.SetUnderlineMode(0);
    EXPECT_EQ(WindowFont(item), link.GetPlainFont());
    ::SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(WindowFont(item), link.GetPlainFont());
    ASSERT_TRUE(WaitForPointerToLeave(link));
}

TEST(HyperLink, ClickOnATargetNothingOpensStaysUnfollowed) {
    fxtest::ScratchClassesRoot classes;  // no web-page handler to fall back on
    ASSERT_TRUE(classes.ok());
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    link.SetTarget(UnopenableTarget());
    ASSERT_TRUE(link.SubclassWindow(item));

    EXPECT_LE(CHyperLink::OpenTarget(link.GetTarget()), 32);
    ::SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    Click(item);
    EXPECT_FALSE(link.IsFollowed());
    EXPECT_FALSE(link.IsPointerOver()) << "a click ends the hover colour";
    EXPECT_EQ(AskColour(dialog, item).text, RGB(0, 0, 238));

    // A handler whose program does not exist fails as well.
    ASSERT_TRUE(classes.SetDefault(L".htm", L"LumiFxTest.page"));
    ASSERT_TRUE(classes.SetDefault(L"LumiFxTest.page\\shell\\open\\command",
                                   L"\"Z:\\lumi-no-such-folder\\browser.exe\" \"%1\""));
    Click(item);
    EXPECT_FALSE(link.IsFollowed());
}

TEST(HyperLink, ClickOpenedByTheWebPageHandlerTurnsPurple) {
    fxtest::ScratchClassesRoot classes;
    ASSERT_TRUE(classes.ok());
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_TRUE(classes.SetDefault(L".htm", L"LumiFxTest.page"));
    ASSERT_TRUE(classes.SetDefault(L"LumiFxTest.page\\shell\\open\\command",
                                   L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit \"%1\""));
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    link.SetTarget(UnopenableTarget());
    ASSERT_TRUE(link.SubclassWindow(item));

    Click(item);
    EXPECT_TRUE(link.IsFollowed());
    EXPECT_EQ(AskColour(dialog, item).text, RGB(85, 26, 139));
    ::SendMessageW(item, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(AskColour(dialog, item).text, RGB(255, 0, 0)) << "hover wins over followed";
}
