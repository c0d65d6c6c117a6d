#pragma once
// The progress shown on a window's taskbar button, where the system has the taskbar's
// interface (Windows 7 and later). Every failure is ignored: the button simply shows none.
#include <windows.h>
#include <shobjidl.h>

#include "win/unique_handle.h"

namespace fx {

class TaskbarProgress {
public:
    explicit TaskbarProgress(HWND window);
    // Takes the progress off the button.
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    void Show(ULONGLONG done, ULONGLONG total);

private:
    win::ComInit m_com;
    win::ComPtr<ITaskbarList3> m_taskbar;
    HWND m_window;
};

}  // namespace fx
