#include "bench/tool/measure.h"

#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>

#include "install/links/shortcuts.h"
#include "win/unique_handle.h"

namespace {

constexpr DWORD kPollMs = 1;
constexpr double kTimeOutMs = 10000.0;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Child {
    win::KernelObject process;
    DWORD id = 0;
};

bool Start(const std::wstring& exe, Child& child) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    child.process.reset(info.hProcess);
    child.id = info.dwProcessId;
    return true;
}

bool IsDialog(HWND window) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

BOOL CALLBACK CheckChild(HWND child, LPARAM waiting) {
    if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(waiting) = true;
    return TRUE;
}

// Process `id`'s sheet: visible once a dialog of it shows a page dialog, painted once neither
// it nor any of its visible children waits for WM_PAINT.
struct Search {
    DWORD id;
    bool visible = false;
    bool painted = false;
};

BOOL CALLBACK CheckTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->id || !IsDialog(window) || !::IsWindowVisible(window)) return TRUE;
    bool pageVisible = false;
    for (HWND page = nullptr; (page = ::FindWindowExW(window, page, L"#32770", nullptr)) != nullptr;)
        pageVisible = pageVisible || ::IsWindowVisible(page);
    if (!pageVisible) return TRUE;
    search->visible = true;
    bool waiting = ::GetUpdateRect(window, nullptr, FALSE) != FALSE;
    ::EnumChildWindows(window, CheckChild, reinterpret_cast<LPARAM>(&waiting));
    search->painted = !waiting;
    return FALSE;
}

void End(Child& child) {
    ::TerminateProcess(child.process.get(), 0);
    ::WaitForSingleObject(child.process.get(), 5000);
}

}  // namespace

bool MeasureWizardStart(const std::wstring& exe, int runs) {
    for (int run = 0; run < runs; ++run) {
        Child child;
        const double start = Now();
        if (!Start(exe, child)) return false;
        Search search{child.id};
        double visibleAt = 0;
        while (!search.painted && Now() - start < kTimeOutMs) {
            ::EnumWindows(CheckTopLevel, reinterpret_cast<LPARAM>(&search));
            if (search.visible && visibleAt == 0) visibleAt = Now() - start;
            if (!search.painted) ::Sleep(kPollMs);
        }
        const double paintedAt = Now() - start;
        End(child);
        if (!search.painted) return false;
        std::printf("wizard-start %.1f %.1f\n", paintedAt, visibleAt);
    }
    return true;
}

bool MeasureProcessLife(const std::wstring& exe, int runs) {
    for (int run = 0; run < runs; ++run) {
        Child child;
        const double start = Now();
        if (!Start(exe, child)) return false;
        ::WaitForSingleObject(child.process.get(), INFINITE);
        std::printf("process-life %.1f\n", Now() - start);
    }
    return true;
}

bool WarmUpShellLinks() {
    wchar_t folder[MAX_PATH] = {};
    if (!::GetTempPathW(MAX_PATH, folder)) return false;
    const std::wstring link = std::wstring(folder) + L"bench-warm-up.lnk";
    const bool saved = SaveShellLink(link, std::wstring(folder), nullptr, nullptr, 0, nullptr) == 1;
    ::DeleteFileW(link.c_str());
    return saved;
}

void HoldDesktop() {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"bench hold", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (window && ::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
}

bool MeasureMemory(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    win::KernelObject process(info.hProcess);
    SIZE_T privateUsage = 0, pagefile = 0, peakPagefile = 0, peakWorkingSet = 0;
    for (;;) {
        const bool ended = ::WaitForSingleObject(process.get(), kPollMs) == WAIT_OBJECT_0;
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof(counters);
        if (::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)) &&
            counters.PeakWorkingSetSize != 0) {
            privateUsage = std::max(privateUsage, counters.PrivateUsage);
            pagefile = std::max(pagefile, counters.PagefileUsage);
            peakPagefile = counters.PeakPagefileUsage;
            peakWorkingSet = counters.PeakWorkingSetSize;
        }
        if (ended) break;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    std::printf("memory %lu %zu %zu %zu %zu\n", code, privateUsage / 1024, pagefile / 1024, peakPagefile / 1024,
                peakWorkingSet / 1024);
    return true;
}
