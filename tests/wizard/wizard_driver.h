#pragma once
// Walks the real wizard as a user would: RunWizard runs on a thread of its own, and the test
// clicks enabled buttons, reads controls and answers message boxes from the test's thread. A
// watchdog ends a wizard that gets stuck and fails the test, so a run never hangs.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace wiztest {

struct Box {
    HWND window = nullptr;
    std::wstring text;
    std::wstring caption;
    int defaultButton = 0;
    bool HasButton(int id) const { return ::GetDlgItem(window, id) != nullptr; }
};

class WizardDriver {
public:
    // Starts the wizard and waits until its sheet window exists.
    WizardDriver();
    // A wizard still open here is a failure: it is closed and the thread joined.
    ~WizardDriver();
    WizardDriver(const WizardDriver&) = delete;
    WizardDriver& operator=(const WizardDriver&) = delete;

    HWND Sheet() const { return m_sheet; }
    // Waits until the sheet is shown with a current page and no message box is open.
    bool WaitUntilShown();
    int ActivePage() const;
    HWND Page(int index) const;
    HWND Item(int page, int id) const { return ::GetDlgItem(Page(page), id); }
    HWND Button(int id) const { return ::GetDlgItem(m_sheet, id); }

    // Clicks an enabled control and returns once the click has been handled (a page change
    // included). Fails the test when the control is disabled, as a user could not click it.
    bool Click(HWND control);
    // Clicks an enabled control whose handler opens a modal box; returns at once.
    bool ClickOpeningBox(HWND control);
    // Uses the sheet's close box; returns at once.
    void PressCloseBox();

    // The next box owned by the sheet (or a null window after the time-out, failing the test).
    Box WaitForBox();
    // True when a box owned by the sheet is open once all sent messages have been handled.
    bool BoxOpen();
    void Answer(const Box& box, int buttonId);

    // Makes sure everything sent to the wizard so far has been handled.
    bool Sync();
    // True when the wizard ended (within the time-out); `Result` is then RunWizard's answer.
    bool WaitForEnd();
    bool Result() const { return m_result; }

    // Thin helpers over the controls.
    static std::wstring Text(HWND control);
    static void SetText(HWND control, const std::wstring& text);
    static bool Checked(HWND control);

private:
    HWND FindOwnedBox() const;
    void ForceClose();

    std::thread m_thread;
    std::thread m_watchdog;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_stopWatchdog{false};
    HWND m_sheet = nullptr;
    bool m_result = false;
};

// A top-level window of the viewer's class, run on a thread of its own, so that the wizard
// sees a running viewer. It is shown without being activated, and notes when someone
// activates it afterwards.
class FakeViewer {
public:
    FakeViewer();
    ~FakeViewer();
    FakeViewer(const FakeViewer&) = delete;
    FakeViewer& operator=(const FakeViewer&) = delete;
    HWND Window() const { return m_window; }
    // Waits a little for an activation; true once the window has been activated.
    bool WaitForActivation() const;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

    std::thread m_thread;
    std::atomic<HWND> m_window{nullptr};
    std::atomic<DWORD> m_threadId{0};
};

}  // namespace wiztest
