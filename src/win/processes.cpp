#include "win/processes.h"

#include <tlhelp32.h>

#include "win/path_text.h"
#include "win/unique_handle.h"

namespace win {

namespace {

std::wstring ImageOf(DWORD id) {
    UniqueHandle<KernelObjectTraits> process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return std::wstring();
    std::wstring image(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(image.size());
        if (::QueryFullProcessImageNameW(process.get(), 0, image.data(), &size)) {
            image.resize(size);
            return image;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || image.size() >= 32768) return std::wstring();
        image.resize(image.size() * 2);
    }
}

}  // namespace

RunningProgram FindProgramRunningIn(const std::wstring& folder) {
    UniqueHandle<FileTraits> snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || folder.empty()) return {};
    const DWORD self = ::GetCurrentProcessId();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
        const std::wstring image = ImageOf(entry.th32ProcessID);
        if (!image.empty() && IsProgramInFolder(folder, image)) return {entry.th32ProcessID, image};
    }
    return {};
}

}  // namespace win
