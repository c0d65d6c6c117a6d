#include "fx/taskbar_progress.h"

namespace fx {

TaskbarProgress::TaskbarProgress(HWND window) : m_window(window) {
    if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                  m_taskbar.put())) ||
        !m_taskbar || FAILED(m_taskbar->HrInit()))
        m_taskbar.reset();
}

TaskbarProgress::~TaskbarProgress() {
    if (m_taskbar) m_taskbar->SetProgressState(m_window, TBPF_NOPROGRESS);
}

void TaskbarProgress::Show(ULONGLONG done, ULONGLONG total) {
    if (m_taskbar) m_taskbar->SetProgressValue(m_window, done, total);
}

}  // namespace fx
