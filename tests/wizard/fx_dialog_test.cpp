#include "fx/dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "fx_test_resources.h"

namespace {

constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT kWatchdogMs = 10000;
constexpr INT_PTR kStuck = -2;

// Posts `messages` to itself once shown, so that the modal loop handles them in order; a timer
// ends a dialog that does not end by itself.
class ScriptedDialog : public CDialog {
public:
    explicit ScriptedDialog(std::vector<std::pair<UINT, WPARAM>> messages)
        : CDialog(IDD_FXTEST_MODAL), m_messages(std::move(messages)) {}

    BOOL OnInitDialog() override {
        windowAtInit = m_hWnd;
        boundAtInit = FromHandlePermanent(m_hWnd) == this;
        for (const auto& [message, wParam] : m_messages) ::PostMessageW(m_hWnd, message, wParam, 0);
        ::SetTimer(m_hWnd, kWatchdogTimer, kWatchdogMs, nullptr);
        return TRUE;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_TIMER) EndDialog(kStuck);
        return false;
    }

    HWND windowAtInit = nullptr;
    bool boundAtInit = false;

private:
    std::vector<std::pair<UINT, WPARAM>> m_messages;
};

// Refuses the first OK and ends with 77 on the second; counts the other commands.
class RefusingDialog : public ScriptedDialog {
public:
    using ScriptedDialog::ScriptedDialog;
    void OnOK() override {
        if (++okCalls == 2) EndDialog(77);
    }
    bool OnCommand(WPARAM wParam, LPARAM) override {
        commands.push_back(LOWORD(wParam));
        return true;
    }
    int okCalls = 0;
    std::vector<int> commands;
};

}  // namespace

TEST(FxDialog, CommandsBecomeVirtualCallsAndEscapeOrTheCloseBoxCancel) {
    RefusingDialog dialog({{WM_COMMAND, IDC_FXTEST_BUTTON}, {WM_COMMAND, IDOK}, {WM_COMMAND, IDOK}});
    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_TRUE(dialog.windowAtInit != nullptr);
    EXPECT_TRUE(dialog.boundAtInit);
    EXPECT_EQ(dialog.okCalls, 2);
    EXPECT_EQ(dialog.commands, std::vector<int>{IDC_FXTEST_BUTTON});
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);

    ScriptedDialog escape({{WM_COMMAND, IDCANCEL}});
    EXPECT_EQ(escape.DoModal(), IDCANCEL);
    ScriptedDialog closeBox({{WM_CLOSE, 0}});
    EXPECT_EQ(closeBox.DoModal(), IDCANCEL);
    EXPECT_EQ(closeBox.DoModal(), IDCANCEL) << "a dialog object can be shown again";
}
