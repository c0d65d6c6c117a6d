#include "support/uninstaller_runner.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>

#include "support/process_start.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace testsupport {
namespace {

constexpr DWORD kRunTimeoutMs = 60000;
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";
constexpr wchar_t kNtPrefix[] = L"\\??\\";

struct WindowSearch {
    std::vector<DWORD> pids;
    bool found = false;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (!::IsWindowVisible(window) || std::find(search->pids.begin(), search->pids.end(), pid) == search->pids.end())
        return TRUE;
    search->found = true;
    return FALSE;
}

// Wine starts its own service and desktop processes from whichever program first needs them;
// they come from the Windows folder, which the uninstaller could not have written to. A process
// that has ended already cannot be asked and counts as Wine's too.
bool IsSystemProgram(DWORD pid) {
    win::KernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t image[MAX_PATH] = {}, windows[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, image, &size)) return true;
    return ::GetWindowsDirectoryW(windows, MAX_PATH) && win::IsSameOrInside(windows, image);
}

void EndFamily(HANDLE process) {
    for (DWORD child : ChildProcesses(::GetProcessId(process))) {
        win::KernelObject handle(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child));
        if (handle) ::TerminateProcess(handle.get(), 0xFFFFFFFF);
    }
    ::TerminateProcess(process, 0xFFFFFFFF);
    ::WaitForSingleObject(process, 5000);
}

// The value as a list of strings (pairs: source, target; an empty target deletes).
std::vector<std::wstring> ReadPending() {
    std::vector<std::wstring> items;
    DWORD size = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size))
        return items;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size))
        return items;
    for (size_t start = 0; start < data.size();) {
        size_t end = data.find(L'\0', start);
        if (end == std::wstring::npos) end = data.size();
        items.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    // The list ends with two terminators; drop what they leave behind, keeping whole pairs.
    while (items.size() % 2 || (!items.empty() && items.back().empty() && items[items.size() - 2].empty()))
        items.pop_back();
    return items;
}

void WritePending(const std::vector<std::wstring>& items) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key)) return;
    win::RegKey owner(key);
    if (items.empty()) {
        ::RegDeleteValueW(key, kPendingValue);
        return;
    }
    std::wstring data;
    for (const auto& item : items) data += item + L'\0';
    data += L'\0';
    ::RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

std::wstring DosPath(const std::wstring& nt) {
    return nt.rfind(kNtPrefix, 0) == 0 ? nt.substr(std::wstring(kNtPrefix).size()) : nt;
}

}  // namespace

std::vector<DWORD> ChildProcesses(DWORD parent) {
    std::vector<DWORD> children;
    win::File snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    if (!snapshot || !::Process32FirstW(snapshot.get(), &entry)) return children;
    do {
        if (entry.th32ParentProcessID == parent) children.push_back(entry.th32ProcessID);
    } while (::Process32NextW(snapshot.get(), &entry));
    return children;
}

HANDLE StartUninstaller(const std::wstring& uninstaller, const std::wstring& arguments, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + uninstaller + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!StartProcess(nullptr, commandLine, 0, folder.c_str(), startup, process)) {
        ADD_FAILURE() << "the uninstaller did not start: " << ::GetLastError();
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD FinishUninstaller(HANDLE process) {
    if (!process) return 0xFFFFFFFF;
    win::KernelObject owner(process);
    DWORD code = 0xFFFFFFFF;
    if (::WaitForSingleObject(process, kRunTimeoutMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the uninstaller was still running after the time-out";
        EndFamily(process);
        return code;
    }
    ::GetExitCodeProcess(process, &code);
    return code;
}

void EndUninstaller(HANDLE process) {
    win::KernelObject owner(process);
    EndFamily(process);
}

UninstallRun RunUninstaller(const std::wstring& uninstaller, const std::wstring& arguments, const std::wstring& folder,
                            bool endOnWindow) {
    UninstallRun run;
    HANDLE process = StartUninstaller(uninstaller, arguments, folder);
    if (!process) return run;
    for (DWORD waited = 0; waited < kRunTimeoutMs; waited += 50) {
        if (::WaitForSingleObject(process, 50) == WAIT_OBJECT_0) break;
        WindowSearch search;
        search.pids = ChildProcesses(::GetProcessId(process));
        for (DWORD child : search.pids) run.startedProgram = run.startedProgram || !IsSystemProgram(child);
        search.pids.push_back(::GetProcessId(process));
        ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        run.showedWindow = run.showedWindow || search.found;
        if (run.showedWindow && endOnWindow) {
            EndFamily(process);
            break;
        }
    }
    run.exitCode = FinishUninstaller(process);
    return run;
}

void CompletePendingDeletionsBelow(const std::wstring& folder) {
    const std::vector<std::wstring> items = ReadPending();
    std::vector<std::wstring> kept;
    for (size_t i = 0; i + 1 < items.size(); i += 2) {
        const std::wstring path = DosPath(items[i]);
        if (items[i + 1].empty() && win::IsSameOrInside(folder, path)) {
            if (!::DeleteFileW(path.c_str())) ::RemoveDirectoryW(path.c_str());
        } else {
            kept.push_back(items[i]);
            kept.push_back(items[i + 1]);
        }
    }
    WritePending(kept);
}

}  // namespace testsupport
