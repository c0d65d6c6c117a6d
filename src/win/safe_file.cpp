#include "win/safe_file.h"

#include <vector>

#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/path_text.h"
#include "win/text.h"

namespace win {
namespace {

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";

// The path the system reaches through a handle, after every link on the way.
std::wstring FinalPath(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        DWORD n = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

// The folder's final path: a folder reached through a link to a place that is no folder of a
// disk (an object-manager directory, say) cannot be opened and yields nothing.
std::wstring FinalFolderPath(const std::wstring& folder) {
    File handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle ? FinalPath(handle.get()) : std::wstring();
}

// Empty when the open file is the plain file its name promises; else why not.
std::wstring WhyNotPlain(HANDLE file, const std::wstring& fullPath) {
    DWORD links = 0;
    const DWORD attributes = ::GetFileType(file) == FILE_TYPE_DISK ? AttributesOf(file, links) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) return L"not a disk file";
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return L"a link or a folder";
    if (links != 1) return L"a hard link";
    const std::wstring folder = WithoutTrailingBackslash(FinalFolderPath(ParentPath(fullPath)));
    const std::wstring reached = FinalPath(file);
    if (folder.empty() || reached.empty() || !EqualsNoCase(reached, folder + L"\\" + LastName(fullPath)))
        return L"a link to " + (reached.empty() ? std::wstring(L"another place") : reached);
    return std::wstring();
}

}  // namespace

File OpenLogFile(const std::wstring& path, LogMode mode, std::wstring& why) {
    why.clear();
    const std::wstring full = FullPath(path);
    // The folder is opened first and must be reached as named (no link on the way, none at its
    // own name); the file is then opened or made inside it and checked before the first byte
    // is written, and a name that already exists is emptied only then.
    DWORD error = ERROR_INVALID_NAME;
    const Folder folder = full.empty() ? Folder() : Folder::Open(ParentPath(full), error);
    const DWORD access = mode == LogMode::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    File file = folder ? folder.OpenFile(LastName(full), access | SYNCHRONIZE, FILE_SHARE_READ, error, true) : File();
    if (!file) {
        why = error == ERROR_CANT_ACCESS_FILE ? std::wstring(L"a link, a hard link or in a folder reached through a link")
                                              : Format(L"Win32 error %lu", error);
        return file;
    }
    why = WhyNotPlain(file.get(), full);
    if (!why.empty()) return File();
    if (mode == LogMode::Replace) ::SetEndOfFile(file.get());
    return file;
}

File CreateFreshFile(const std::wstring& path, DWORD flags) {
    auto create = [&] {
        return File(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    };
    File file = create();
    if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    // Deleting a link removes the link, not what it points to.
    if (!::DeleteFileW(path.c_str())) return File();
    return create();
}

std::wstring ExtendedPath(const std::wstring& path) {
    if (StartsWithNoCase(path, kExtendedPrefix)) return path;
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') return std::wstring(kExtendedPrefix) + L"UNC\\" + path.substr(2);
    return kExtendedPrefix + path;
}

}  // namespace win
