#include "install/request/folders.h"

#include <shlobj.h>

#include <algorithm>

#include "install/install_places.h"
#include "install/request/folder_rules.h"
#include "install/journal.h"
#include "win/current_directory.h"
#include "win/file_facts.h"
#include "win/unique_handle.h"

namespace {

constexpr wchar_t kProgramFilesKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command";

// A string value of at most `maxChars` characters; false when it is missing, of another
// type, or too long to take (a value that does not fit is refused, never cut).
bool ReadString(reg::Root root, const std::wstring& subKey, const wchar_t* valueName, size_t maxChars,
                std::wstring& value) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(reg::RootKey(root), subKey.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
    win::RegKey key(raw);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    if (bytes > (maxChars + 1) * sizeof(wchar_t)) return false;
    std::wstring buffer(maxChars + 1, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    buffer.resize(std::min<size_t>(size / sizeof(wchar_t), maxChars));
    size_t terminator = buffer.find(L'\0');
    if (terminator != std::wstring::npos) buffer.resize(terminator);
    value = buffer;
    return true;
}

bool ReadMachineString(const wchar_t* subKey, const wchar_t* valueName, size_t maxChars, std::wstring& value) {
    return ReadString(reg::Root::LocalMachine, subKey, valueName, maxChars, value);
}

// A known folder's path; empty when the system has none.
std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

// Whether the folder can be entered; the current directory is as before afterwards.
bool CanEnterFolder(const std::wstring& folder) {
    win::CurrentDirectoryRestorer restore;
    return ::SetCurrentDirectoryW(folder.c_str()) != FALSE;
}

}  // namespace

void TrimBlanks(std::wstring& text) {
    size_t end = text.find_last_not_of(L' ');
    text.erase(end == std::wstring::npos ? 0 : end + 1);
    if (!text.empty() && text.front() == L' ' && text.size() <= kMaxPathChars)
        text.erase(0, text.find_first_not_of(L' '));
}

bool EnsureFolderExists(std::wstring& folder) {
    TrimBlanks(folder);
    // Longer paths are outside what the system handles: refused untouched, never cut.
    if (folder.empty() || folder.size() > kMaxPathChars) return false;
    AppendBackslashIfRoom(folder);
    if (CanEnterFolder(folder)) return true;

    std::vector<std::wstring> levels;
    folder = RebuildFolderLevels(folder, levels);
    for (const std::wstring& level : levels) {
        // Only a level that is missing is announced: one that was there must never be taken
        // for one the installation made.
        if (::GetFileAttributesW(level.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        Journal().WillCreateFolder(level);
        if (::CreateDirectoryW(level.c_str(), nullptr)) Journal().FolderCreated(level);
    }
    AppendBackslashIfRoom(folder);
    return CanEnterFolder(folder);
}

bool MakeCanonicalFolder(std::wstring& folder) {
    TrimBlanks(folder);
    if (folder.empty()) return true;
    if (folder.size() > kMaxPathChars) return false;
    AppendBackslashIfRoom(folder);
    std::vector<std::wstring> levels;
    std::wstring full = win::FullPath(RebuildFolderLevels(folder, levels));
    AppendBackslashIfRoom(full);
    if (full.size() > kMaxPathChars || !IsAbsoluteFolder(full)) return false;
    folder = full;
    return true;
}

bool GetProgramFilesFolder(std::wstring& folder) {
    return ReadMachineString(kProgramFilesKey, L"ProgramFilesDir", kMaxPathChars, folder) && IsAbsoluteFolder(folder);
}

std::wstring GetDefaultInstallFolder() {
    if (Places().scope == Scope::User)
        return UserDefaultFolder(KnownFolder(FOLDERID_UserProgramFiles), KnownFolder(FOLDERID_LocalAppData));
    std::wstring programFiles;
    bool found = ReadMachineString(kProgramFilesKey, L"ProgramFilesDir", kMaxPathChars, programFiles);
    return DefaultFolderFromProgramFiles(found ? &programFiles : nullptr);
}

bool GetRegisteredViewerFolder(std::wstring& folder) {
    folder.clear();
    std::wstring command;
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key = kOpenCommandKey;
    Places().Place(root, key);
    if (!ReadString(root, key, nullptr, kMaxPathChars, command)) return false;
    return ViewerFolderFromOpenCommand(command, folder);
}
