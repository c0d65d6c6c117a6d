#include "wizard_driver.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "wizard/run_wizard.h"
#include "wizard/wiz_sheet.h"

namespace wiztest {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStepTimeout = std::chrono::seconds(15);
constexpr auto kWholeRunTimeout = std::chrono::seconds(90);
constexpr UINT kSyncTimeoutMs = 15000;

bool IsDialogWindow(HWND window) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

struct ThreadWindows {
    HWND owner;
    HWND found = nullptr;
};

// The first dialog of the thread that has `owner` as its owner (nullptr: an unowned one).
HWND FindThreadDialog(DWORD threadId, HWND owner) {
    ThreadWindows search{owner};
    ::EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<ThreadWindows*>(data);
            if (!IsDialogWindow(window) || ::GetWindow(window, GW_OWNER) != s->owner) return TRUE;
            if (s->owner && !::IsWindowVisible(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    auto deadline = Clock::now() + kStepTimeout;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        ::Sleep(10);
    }
    return true;
}

}  // namespace

WizardDriver::WizardDriver() {
    m_thread = std::thread([this] {
        m_threadId = ::GetCurrentThreadId();
        m_result = RunWizard();
        m_done = true;
    });
    m_watchdog = std::thread([this] {
        auto deadline = Clock::now() + kWholeRunTimeout;
        while (!m_done && !m_stopWatchdog) {
            if (Clock::now() > deadline) {
                ADD_FAILURE() << "the wizard was still open after the whole run's time-out";
                ForceClose();
                return;
            }
            ::Sleep(20);
        }
    });
    bool found = WaitFor([this] {
        if (m_threadId != 0) m_sheet = FindThreadDialog(m_threadId, nullptr);
        return m_sheet != nullptr || m_done;
    });
    if (!found || !m_sheet) ADD_FAILURE() << "the wizard's sheet did not appear";
}

WizardDriver::~WizardDriver() {
    if (!m_done) {
        ADD_FAILURE() << "the test left the wizard open";
        ForceClose();
    }
    if (m_thread.joinable()) m_thread.join();
    m_stopWatchdog = true;
    if (m_watchdog.joinable()) m_watchdog.join();
}

// Answers every box, then cancels the sheet without the question; a wizard that still does
// not end takes the process down, which fails the test instead of hanging the run.
void WizardDriver::ForceClose() {
    for (int attempt = 0; attempt < 200 && !m_done; ++attempt) {
        if (HWND box = m_sheet ? FindOwnedBox() : nullptr) {
            ::PostMessageW(box, WM_COMMAND, IDYES, 0);
            ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        }
        else if (m_sheet)
            ::PostMessageW(m_sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        ::Sleep(50);
    }
    if (!m_done) {
        std::fprintf(stderr, "wizard stuck: ending the test process\n");
        std::fflush(stderr);
        std::_Exit(3);
    }
}

bool WizardDriver::WaitUntilShown() {
    bool shown = WaitFor([this] {
        return m_done || (::IsWindowVisible(m_sheet) && ActivePage() >= 0 && !FindOwnedBox());
    });
    bool ok = shown && !m_done && Sync();
    if (!ok) ADD_FAILURE() << "the wizard was not shown";
    return ok;
}

int WizardDriver::ActivePage() const {
    auto page = reinterpret_cast<HWND>(::SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (!page) return -1;
    return static_cast<int>(::SendMessageW(m_sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

HWND WizardDriver::Page(int index) const {
    return reinterpret_cast<HWND>(::SendMessageW(m_sheet, PSM_INDEXTOHWND, index, 0));
}

bool WizardDriver::Sync() {
    // Under Wine a cross-thread send can fail at once while the sheet's thread is still
    // setting itself up; only a sheet that stays silent for the whole time-out has hung.
    const DWORD start = ::GetTickCount();
    bool ok = false;
    while (!ok && !m_done && ::IsWindow(m_sheet) && ::GetTickCount() - start < kSyncTimeoutMs) {
        DWORD_PTR ignored = 0;
        ok = ::SendMessageTimeoutW(m_sheet, WM_NULL, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, &ignored) != 0;
        if (!ok) ::Sleep(50);
    }
    if (!ok && !m_done) ADD_FAILURE() << "the wizard did not answer";
    return ok || m_done;
}

bool WizardDriver::Click(HWND control) {
    if (!control || !::IsWindowEnabled(control)) {
        ADD_FAILURE() << "click on a missing or disabled control";
        return false;
    }
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, &ignored);
    return Sync();
}

bool WizardDriver::ClickOpeningBox(HWND control) {
    if (!control || !::IsWindowEnabled(control)) {
        ADD_FAILURE() << "click on a missing or disabled control";
        return false;
    }
    ::PostMessageW(control, BM_CLICK, 0, 0);
    return true;
}

void WizardDriver::PressCloseBox() { ::PostMessageW(m_sheet, WM_SYSCOMMAND, SC_CLOSE, 0); }

// A box the installation shows comes from its own thread, owned by the sheet all the same.
HWND WizardDriver::FindOwnedBox() const {
    if (HWND box = FindThreadDialog(m_threadId, m_sheet)) return box;
    struct Search {
        HWND owner;
        HWND found;
    } search{m_sheet, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(window, &pid);
            if (pid != ::GetCurrentProcessId() || !IsDialogWindow(window) || ::GetWindow(window, GW_OWNER) != s->owner ||
                !::IsWindowVisible(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Box WizardDriver::WaitForBox() {
    Box box;
    if (!WaitFor([&] { return (box.window = FindOwnedBox()) != nullptr || m_done; }) || !box.window) {
        ADD_FAILURE() << "no message box appeared";
        return Box{};
    }
    box.text = Text(::GetDlgItem(box.window, 0xFFFF));
    box.caption = Text(box.window);
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = ::GetDlgItem(box.window, id);
        if (button && (::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) box.defaultButton = id;
    }
    return box;
}

bool WizardDriver::BoxOpen() { return Sync() && FindOwnedBox() != nullptr; }

void WizardDriver::Answer(const Box& box, int buttonId) {
    if (!box.window) return;
    ::PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box.window, buttonId)));
    if (!WaitFor([&] { return !::IsWindow(box.window); })) ADD_FAILURE() << "the box did not close";
    // A box of the installation comes from its own thread: the wizard goes on once that ends.
    if (!WaitFor([&] { return m_done || !TheWizardSheet().m_bInstalling; })) ADD_FAILURE() << "the installation did not end";
    if (!m_done) Sync();
}

bool WizardDriver::WaitForEnd() {
    bool ended = WaitFor([this] { return m_done.load(); });
    if (ended && m_thread.joinable()) m_thread.join();
    return ended;
}

std::wstring WizardDriver::Text(HWND control) {
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                          kSyncTimeoutMs, &got);
    text.resize(got);
    return text;
}

void WizardDriver::SetText(HWND control, const std::wstring& text) {
    ::SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, kSyncTimeoutMs,
                          nullptr);
}

bool WizardDriver::Checked(HWND control) { return ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::atomic<int> g_viewerActivations{0};

LRESULT CALLBACK FakeViewer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) ++g_viewerActivations;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool FakeViewer::WaitForActivation() const {
    return WaitFor([] { return g_viewerActivations > 0; });
}

FakeViewer::FakeViewer() {
    m_thread = std::thread([this] {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = WindowProc;
        cls.hInstance = ::GetModuleHandleW(nullptr);
        cls.lpszClassName = L"Lumiscope";
        ::RegisterClassW(&cls);
        // Disabled, so that closing the wizard does not hand it the activation by itself.
        HWND window = ::CreateWindowExW(0, L"Lumiscope", L"Viewer", WS_OVERLAPPEDWINDOW | WS_DISABLED, 0, 0, 200, 100,
                                        nullptr, nullptr, cls.hInstance, nullptr);
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
        g_viewerActivations = 0;
        m_threadId = ::GetCurrentThreadId();
        m_window = window;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
        ::DestroyWindow(window);
    });
    WaitFor([this] { return m_window.load() != nullptr; });
}

FakeViewer::~FakeViewer() {
    ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace wiztest
