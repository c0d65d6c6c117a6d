#include "controls/hyperlink.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <filesystem>

#include "fx_test_dialog.h"
#include "win/unique_handle.h"
#include "wizard_tool_modes.h"

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

    EXPECT_EQ(LinkTextColour(true, true, true, RGB(1, 2, 3)), RGB(1, 2, 3)) << "high contrast: hot light in every state";
    EXPECT_EQ(LinkTextColour(false, false, true, RGB(1, 2, 3)), RGB(1, 2, 3));

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

// Enter and Space reach the link through the dialog manager and open its target as a click
// does, through the desktop shell; a screen reader sees a link whose default action does the
// same. The target is a recorder program that notes each start.
TEST(HyperLink, KeysAndTheReadersDefaultActionOpenTheTarget) {
    wchar_t temp[MAX_PATH] = {}, self[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path folder =
        std::filesystem::path(temp) / (L"LumiLinkKeys" + std::to_wstring(::GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path recorder = folder / wiztest::kHttpRecorderName;
    std::filesystem::copy_file(self, recorder, std::filesystem::copy_options::overwrite_existing);
    auto launches = [&](size_t count) {
        for (int i = 0; i < 400 && wiztest::ReadLaunches(folder.wstring()).size() < count; ++i) {
            ControlsDialog::Pump();
            ::Sleep(25);
        }
        return wiztest::ReadLaunches(folder.wstring()).size();
    };

    win::ComInit com;
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_LINK);
    CHyperLink link;
    link.SetTarget(recorder.wstring());
    ASSERT_TRUE(link.SubclassWindow(item));
    ::SetFocus(item);

    for (WPARAM key : {VK_RETURN, VK_SPACE}) {
        MSG press{item, WM_KEYDOWN, key, 1, 0, {}};
        EXPECT_TRUE(::IsDialogMessageW(dialog.get(), &press));
    }
    EXPECT_EQ(launches(2), 2u) << "Enter and Space each open the target once";
    EXPECT_TRUE(link.IsFollowed());
    MSG repeat{item, WM_KEYDOWN, VK_RETURN, 1 | (1 << 30), 0, {}};
    ::IsDialogMessageW(dialog.get(), &repeat);

    win::ComPtr<IAccessible> reader;
    ASSERT_EQ(::AccessibleObjectFromWindow(item, OBJID_CLIENT, __uuidof(IAccessible), reader.put()), S_OK);
    VARIANT self_{};
    self_.vt = VT_I4;
    self_.lVal = CHILDID_SELF;
    VARIANT role{};
    ASSERT_EQ(reader->get_accRole(self_, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
    BSTR name = nullptr, action = nullptr;
    ASSERT_EQ(reader->get_accName(self_, &name), S_OK);
    EXPECT_STREQ(name, L"Lumiscope EULA");
    ASSERT_EQ(reader->get_accDefaultAction(self_, &action), S_OK);
    EXPECT_GT(::SysStringLen(action), 0u);
    ::SysFreeString(name);
    ::SysFreeString(action);
    EXPECT_EQ(reader->accDoDefaultAction(self_), S_OK);
    EXPECT_EQ(launches(3), 3u) << "a held key opened it once; the default action once more";

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
