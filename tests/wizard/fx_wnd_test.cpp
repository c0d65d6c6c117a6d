#include "fx/wnd.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "fx_test_dialog.h"
#include "win/text.h"

namespace {

using fxtest::ControlsDialog;

class RecordingStatic : public CStatic {
public:
    std::vector<UINT> reflected;
    bool boundBeforeSubclass = true;
    HWND windowInPreSubclass = nullptr;

    bool OnReflectedMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        reflected.push_back(message);
        result = 42;
        return true;
    }
    // A text set through the window is stored in capitals by the original procedure.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message != WM_SETTEXT || !lParam) return false;
        std::wstring text = reinterpret_cast<const wchar_t*>(lParam);
        for (auto& c : text) c = static_cast<wchar_t>(::towupper(c));
        result = DefaultFor(WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text.c_str()));
        return true;
    }

protected:
    void PreSubclassWindow() override {
        windowInPreSubclass = m_hWnd;
        boundBeforeSubclass = FromHandlePermanent(m_hWnd) != nullptr;
    }
};

}  // namespace

TEST(FxWnd, PreSubclassWindowRunsWithTheHandleBeforeTheSubclass) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_PLAIN);
    RecordingStatic control;
    ASSERT_TRUE(control.SubclassDlgItem(IDC_FXTEST_PLAIN, dialog.get()));
    EXPECT_EQ(control.windowInPreSubclass, item);
    EXPECT_FALSE(control.boundBeforeSubclass);
    EXPECT_EQ(CWnd::FromHandlePermanent(item), &control);
    EXPECT_FALSE(RecordingStatic().SubclassDlgItem(4711, dialog.get())) << "no such item";

    // Messages reach the object first; the original procedure does the rest.
    ::SetWindowTextW(item, L"abc");
    EXPECT_EQ(control.GetWindowText(), L"ABC");

    control.UnsubclassWindow();
    EXPECT_EQ(CWnd::FromHandlePermanent(item), nullptr);
    ::SetWindowTextW(item, L"abc");
    EXPECT_EQ(win::GetWindowTextString(item), L"abc");
}

TEST(FxWnd, ParentMessagesAreReflectedToTheBoundControlOnly) {
    ControlsDialog dialog;
    HWND item = dialog.Item(IDC_FXTEST_PLAIN);
    RecordingStatic control;
    ASSERT_TRUE(control.SubclassWindow(item));

    LRESULT result = 0;
    NMHDR header{item, IDC_FXTEST_PLAIN, NM_CLICK};
    EXPECT_TRUE(CWnd::ReflectToChild(WM_NOTIFY, IDC_FXTEST_PLAIN, reinterpret_cast<LPARAM>(&header), result));
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(CWnd::ReflectToChild(WM_COMMAND, MAKEWPARAM(IDC_FXTEST_PLAIN, STN_CLICKED),
                                     reinterpret_cast<LPARAM>(item), result));
    EXPECT_TRUE(CWnd::ReflectToChild(WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(item), result));
    EXPECT_EQ(control.reflected, (std::vector<UINT>{WM_NOTIFY, WM_COMMAND, WM_CTLCOLORSTATIC}));

    // Menu commands, messages about unbound controls and other messages are not reflected.
    EXPECT_FALSE(CWnd::ReflectToChild(WM_COMMAND, IDOK, 0, result));
    EXPECT_FALSE(CWnd::ReflectToChild(WM_CTLCOLORSTATIC, 0,
                                      reinterpret_cast<LPARAM>(dialog.Item(IDC_FXTEST_LINK)), result));
    EXPECT_FALSE(CWnd::ReflectToChild(WM_SETFONT, 0, reinterpret_cast<LPARAM>(item), result));
    EXPECT_EQ(control.reflected.size(), 3u);
}
