#include "fx/property_sheet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fx_test_resources.h"

namespace {

constexpr wchar_t kTitle[] = L"Lumiscope 64-bit Setup";
constexpr int kBack = 0x3023, kNext = 0x3024;

// Set when the watchdog has to end a sheet: every refusal then gives way.
std::atomic<bool> g_abort{false};

class CountingStatic : public CStatic {
public:
    int bindings = 0;

protected:
    void PreSubclassWindow() override { ++bindings; }
};

class TestPage : public CPropertyPage {
public:
    TestPage(UINT templateId, std::string name, std::vector<std::string>& log)
        : CPropertyPage(templateId), m_name(std::move(name)), m_log(log) {}

    BOOL acceptActivation = TRUE;
    LRESULT nextResult = 0;
    bool refuseLeaving = false;
    int indexAtInit = -1;
    bool sheetBoundAtInit = false;
    std::vector<int> indexAtActivation;
    int cancelQueries = 0;
    CountingStatic label;

    bool DoDataExchange(bool save) override {
        DDX_Control(IDC_FXTEST_PAGE_LABEL, label);
        m_log.push_back(m_name + (save ? ":save" : ":load"));
        return !(save && refuseLeaving && !g_abort);
    }
    BOOL OnInitDialog() override {
        m_log.push_back(m_name + ":init");
        indexAtInit = GetParentSheet()->GetActiveIndex();
        sheetBoundAtInit = GetParentSheet()->GetSafeHwnd() != nullptr;
        return CPropertyPage::OnInitDialog();
    }
    BOOL OnSetActive() override {
        m_log.push_back(m_name + ":active");
        indexAtActivation.push_back(GetParentSheet()->GetActiveIndex());
        if (!acceptActivation && !g_abort) return FALSE;
        return CPropertyPage::OnSetActive();
    }
    LRESULT OnWizardNext() override { return g_abort ? 0 : nextResult; }
    BOOL OnQueryCancel() override {
        ++cancelQueries;
        return TRUE;
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

class TestSheet : public CPropertySheet {
public:
    TestSheet() : CPropertySheet(L"Lumiscope Setup", nullptr, 0), ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~TestSheet() override { ::CloseHandle(ready); }

    HANDLE ready;
    HWND window = nullptr;
    int initCalls = 0;
    bool startPageShownAtInit = false;
    bool consumeCancel = false, consumeClose = false;
    int cancelCommands = 0, closeCommands = 0;

    BOOL OnInitDialog() override {
        ++initCalls;
        startPageShownAtInit = GetActiveIndex() == 0 && GetPage(0)->GetSafeHwnd() != nullptr;
        BOOL result = CPropertySheet::OnInitDialog();
        SetTitle(kTitle);
        window = m_hWnd;
        ::SetEvent(ready);
        return result;
    }
    bool OnCommand(WPARAM wParam, LPARAM) override {
        if (LOWORD(wParam) != IDCANCEL) return false;
        ++cancelCommands;
        return consumeCancel && !g_abort;
    }
    bool OnSysCommand(UINT command, LPARAM) override {
        if (command != SC_CLOSE) return false;
        ++closeCommands;
        return consumeClose && !g_abort;
    }
};

// Three pages A, B, C on one sheet, with a log of what the layer called on them.
struct Wizard {
    std::vector<std::string> log;
    TestPage a{IDD_FXTEST_PAGE_A, "A", log}, b{IDD_FXTEST_PAGE_B, "B", log}, c{IDD_FXTEST_PAGE_C, "C", log};
    TestSheet sheet;
    Wizard() {
        sheet.AddPage(&a);
        sheet.AddPage(&b);
        sheet.AddPage(&c);
    }

    // Runs the sheet modally on this thread while `drive` works it from another thread as a
    // user would. A sheet still open afterwards is cancelled; one that will not close is
    // ended by the watchdog and fails the test.
    INT_PTR Run(const std::function<void(HWND)>& drive) {
        HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::atomic<bool> stuck{false};
        std::thread driver([&] {
            if (::WaitForSingleObject(sheet.ready, 10000) != WAIT_OBJECT_0) return;
            drive(sheet.window);
            if (::WaitForSingleObject(done, 0) == WAIT_TIMEOUT)
                ::PostMessageW(sheet.window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
        std::thread watchdog([&] {
            while (::WaitForSingleObject(done, 20000) == WAIT_TIMEOUT) {
                stuck = true;
                g_abort = true;
                ::PostMessageW(sheet.window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            }
        });
        INT_PTR result = sheet.DoModal();
        ::SetEvent(done);
        driver.join();
        watchdog.join();
        ::CloseHandle(done);
        EXPECT_FALSE(stuck) << "the watchdog had to end the sheet";
        g_abort = false;
        return result;
    }
};

// A click as a user could make it: only on an enabled button. Returns after the page change.
bool Click(HWND sheet, int id) {
    HWND button = ::GetDlgItem(sheet, id);
    if (!button || !::IsWindowEnabled(button)) return false;
    ::SendMessageW(button, BM_CLICK, 0, 0);
    return true;
}

std::wstring Title(HWND window) {
    wchar_t text[100] = {};
    ::GetWindowTextW(window, text, 100);
    return text;
}

}  // namespace

TEST(FxPropertySheet, NextAndBackMoveBetweenPages) {
    Wizard w;
    EXPECT_EQ(w.sheet.GetActiveIndex(), 0) << "the start page before the window exists";
    INT_PTR result = w.Run([&](HWND sheet) {
        EXPECT_EQ(w.sheet.GetActiveIndex(), 0);
        EXPECT_EQ(Title(sheet), kTitle);
        ASSERT_TRUE(Click(sheet, kNext));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 1);
        ASSERT_TRUE(Click(sheet, kNext));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 2);
        ASSERT_TRUE(Click(sheet, kBack));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 1);
        EXPECT_EQ(Title(sheet), kTitle) << "the sheet keeps the title its OnInitDialog set";
        ASSERT_TRUE(Click(sheet, IDCANCEL));
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(w.sheet.initCalls, 1);
    EXPECT_TRUE(w.sheet.startPageShownAtInit) << "the sheet's OnInitDialog follows its start page";
    EXPECT_EQ(w.sheet.GetSafeHwnd(), nullptr);
    EXPECT_EQ(w.a.GetSafeHwnd(), nullptr);

    // Each page sees its own index while it is initialised and activated.
    EXPECT_TRUE(w.a.sheetBoundAtInit);
    EXPECT_EQ(w.a.indexAtInit, 0);
    EXPECT_EQ(w.b.indexAtInit, 1);
    EXPECT_EQ(w.c.indexAtInit, 2);
    EXPECT_EQ(w.b.indexAtActivation, (std::vector<int>{1, 1}));
    EXPECT_EQ(w.c.indexAtActivation, (std::vector<int>{2}));

    EXPECT_EQ(w.sheet.GetPageCount(), 3);
    EXPECT_EQ(w.sheet.GetPage(1), &w.b);
    EXPECT_EQ(w.sheet.GetPage(3), nullptr);
    EXPECT_EQ(w.sheet.GetPage(-1), nullptr);
}

TEST(FxPropertySheet, WizardNextStaysJumpsOrIsKeptByTheDataCheck) {
    Wizard w;
    w.a.nextResult = -1;
    w.Run([&](HWND sheet) {
        ASSERT_TRUE(Click(sheet, kNext));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 0) << "-1 stays";
        w.a.nextResult = IDD_FXTEST_PAGE_C;
        ASSERT_TRUE(Click(sheet, kNext));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 2) << "a template id jumps";
        ASSERT_TRUE(Click(sheet, kBack));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 1);
        w.b.refuseLeaving = true;
        ASSERT_TRUE(Click(sheet, kNext));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 1) << "a failed data exchange keeps the page";
    });
    EXPECT_TRUE(w.b.indexAtActivation.size() == 1);
}

TEST(FxPropertySheet, RefusedActivationSkipsThePage) {
    Wizard w;
    w.b.acceptActivation = FALSE;
    w.Run([&](HWND sheet) {
        ASSERT_TRUE(Click(sheet, kNext));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 2);
    });
    EXPECT_EQ(w.b.indexAtActivation, (std::vector<int>{1}));
}

TEST(FxPropertySheet, DataExchangeRunsOnInitLeaveAndReturnAndBindsOnce) {
    Wizard w;
    HWND labelOfA = nullptr;
    w.Run([&](HWND sheet) {
        labelOfA = w.a.GetDlgItem(IDC_FXTEST_PAGE_LABEL);
        ASSERT_TRUE(Click(sheet, kNext));
        ASSERT_TRUE(Click(sheet, kBack));
        EXPECT_EQ(w.a.label.GetSafeHwnd(), labelOfA);
    });
    std::vector<std::string> ofA;
    for (const auto& entry : w.log)
        if (entry[0] == 'A') ofA.push_back(entry);
    EXPECT_EQ(ofA, (std::vector<std::string>{"A:init", "A:load", "A:active", "A:save", "A:active", "A:load"}));
    EXPECT_EQ(w.a.label.bindings, 1);
}

TEST(FxPropertySheet, SheetHooksCanConsumeCancelAndTheCloseBox) {
    Wizard w;
    w.sheet.consumeCancel = w.sheet.consumeClose = true;
    w.Run([&](HWND sheet) {
        ASSERT_TRUE(Click(sheet, kNext));
        ASSERT_TRUE(Click(sheet, IDCANCEL));
        ::SendMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(::IsWindow(sheet));
        EXPECT_EQ(w.sheet.GetActiveIndex(), 1);
        EXPECT_EQ(w.b.cancelQueries, 0) << "a consumed command never reaches the pages";
        EXPECT_EQ(w.sheet.cancelCommands, 1);
        EXPECT_EQ(w.sheet.closeCommands, 1);
        // The close box's default handling may come back as a Cancel command.
        w.sheet.consumeCancel = w.sheet.consumeClose = false;
        ::SendMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(w.sheet.closeCommands, 2);
    EXPECT_GE(w.b.cancelQueries, 1) << "the default handling closes through the cancel question";
}
