#pragma once
// Answers the next message box that a thread of this process shows, from a thread of its
// own, as a user would: by button id. Gives up after `timeoutMs` so that no test can hang.
#include <windows.h>

#include <string>
#include <thread>

namespace testsupport {

class BoxAnswerer {
public:
    BoxAnswerer(DWORD uiThread, int buttonId, DWORD timeoutMs = 20000)
        : m_thread([this, uiThread, buttonId, timeoutMs] { Run(uiThread, buttonId, timeoutMs); }) {}
    ~BoxAnswerer() { Wait(); }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    void Wait() {
        if (m_thread.joinable()) m_thread.join();
    }
    // After Wait: whether a box came, and its text.
    bool answered() const { return m_answered; }
    const std::wstring& text() const { return m_text; }
    const std::wstring& caption() const { return m_caption; }

private:
    static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
        wchar_t cls[16] = {};
        ::GetClassNameW(window, cls, 16);
        if (std::wstring(cls) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    void Run(DWORD uiThread, int buttonId, DWORD timeoutMs) {
        HWND box = nullptr;
        for (DWORD waited = 0; waited < timeoutMs && !box; waited += 50) {
            ::Sleep(50);
            ::EnumThreadWindows(uiThread, FindBox, reinterpret_cast<LPARAM>(&box));
        }
        if (!box) return;
        wchar_t text[1024] = {};
        ::GetWindowTextW(::GetDlgItem(box, 0xFFFF), text, 1024);
        m_text = text;
        ::GetWindowTextW(box, text, 1024);
        m_caption = text;
        m_answered = true;
        ::PostMessageW(box, WM_COMMAND, buttonId, 0);
    }

    bool m_answered = false;
    std::wstring m_text;
    std::wstring m_caption;
    std::thread m_thread;
};

}  // namespace testsupport
