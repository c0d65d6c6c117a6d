#include "win/processes.h"

#include <tlhelp32.h>

#include "win/folder_handle.h"
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

std::wstring FinalPathOrAsGiven(const std::wstring& path) {
    if (path.empty()) return path;
    File handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::wstring final = handle ? FinalPathOf(handle.get()) : std::wstring();
    return final.empty() ? path : final;
}

std::vector<RunningProgram> RunningPrograms() {
    std::vector<RunningProgram> programs;
    UniqueHandle<FileTraits> snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return programs;
    const DWORD self = ::GetCurrentProcessId();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
        RunningProgram program;
        program.id = entry.th32ProcessID;
        program.image = ImageOf(program.id);
        if (program.image.empty()) continue;
        program.image = FinalPathOrAsGiven(program.image);
        program.sessionKnown = ::ProcessIdToSessionId(program.id, &program.session) != FALSE;
        programs.push_back(program);
    }
    return programs;
}

}  // namespace win
