#include "controls/xcolor_static.h"

#include <gtest/gtest.h>

#include "fx_test_dialog.h"

namespace {

using fxtest::ControlsDialog;
using fxtest::FontOf;


}  // namespace

TEST(XColorStaticPure, FormatFollowsAlignmentAndCentring) {
    EXPECT_EQ(StaticTextFormat(SS_LEFT), UINT(DT_LEFT | DT_WORDBREAK));
    EXPECT_EQ(StaticTextFormat(SS_CENTER), UINT(DT_CENTER | DT_WORDBREAK));
    EXPECT_EQ(StaticTextFormat(SS_RIGHT | SS_CENTERIMAGE), UINT(DT_RIGHT | DT_SINGLELINE | DT_VCENTER));
    EXPECT_EQ(StaticTextFormat(SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY | WS_VISIBLE),
              UINT(DT_CENTER | DT_SINGLELINE | DT_VCENTER));
    // Other static types that share alignment bits are not centred or right-aligned text.
    EXPECT_EQ(StaticTextFormat(SS_SIMPLE), UINT(DT_LEFT | DT_WORDBREAK));
    EXPECT_EQ(StaticTextFormat(SS_LEFTNOWORDWRAP), UINT(DT_LEFT | DT_WORDBREAK));
}

TEST(XColorStatic, BoldFirstThenHeightGivesBoldArial) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_COLOUR);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassWindow(item));
    // Bound: a copy of the window's own font.
    const LOGFONTW own = FontOf(fxtest::WindowFont(item));
    EXPECT_NE(status.GetDrawFont(), reinterpret_cast<HFONT>(::SendMessageW(item, WM_GETFONT, 0, 0)));
    EXPECT_STREQ(FontOf(status.GetDrawFont()).lfFaceName, own.lfFaceName);

    status.SetBold();
    status.SetFontHeight(23);
    const LOGFONTW lf = FontOf(status.GetDrawFont());
    EXPECT_STREQ(lf.lfFaceName, L"Arial");
    EXPECT_EQ(lf.lfHeight, 23);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
}

TEST(XColorStatic, HeightFirstThenBoldGivesTheWindowsFontInBold) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_COLOUR);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassWindow(item));

    status.SetFontHeight(23);
    EXPECT_EQ(FontOf(status.GetDrawFont()).lfWeight, FW_NORMAL);
    status.SetBold();
    const LOGFONTW lf = FontOf(status.GetDrawFont()), own = FontOf(fxtest::WindowFont(item));
    EXPECT_STREQ(lf.lfFaceName, own.lfFaceName);
    EXPECT_EQ(lf.lfHeight, own.lfHeight);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
}

TEST(XColorStatic, EraseFillsTheBackgroundColour) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_COLOUR);
    CXColorStatic status;
    ASSERT_TRUE(status.SubclassWindow(item));

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 40);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all{0, 0, 40, 40};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));

    EXPECT_EQ(::SendMessageW(item, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), TRUE);
    EXPECT_EQ(::GetPixel(dc, 1, 1), status.GetBackColour());
    EXPECT_EQ(::GetPixel(dc, 30, 10), status.GetBackColour()) << "also where no text is drawn";

    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}
