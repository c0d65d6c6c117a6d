#pragma once
// A top-level window of the viewer's class, as a running viewer has, for the object's lifetime.
#include <windows.h>

namespace testsupport {

class RunningViewer {
public:
    RunningViewer() {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = ::DefWindowProcW;
        cls.hInstance = ::GetModuleHandleW(nullptr);
        cls.lpszClassName = L"Lumiscope";
        ::RegisterClassW(&cls);
        m_window = ::CreateWindowW(L"Lumiscope", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, cls.hInstance, nullptr);
    }
    ~RunningViewer() {
        if (m_window) ::DestroyWindow(m_window);
        ::UnregisterClassW(L"Lumiscope", ::GetModuleHandleW(nullptr));
    }
    RunningViewer(const RunningViewer&) = delete;
    RunningViewer& operator=(const RunningViewer&) = delete;
    bool exists() const { return m_window != nullptr; }

private:
    HWND m_window = nullptr;
};

}  // namespace testsupport
