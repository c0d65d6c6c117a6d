#include "install/recovery/replaced_file.h"

#include "install/journal.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/safe_file.h"
#include "win/unique_handle.h"
#include "win/unique_handle.h"

namespace txn {
namespace {


bool Move(const std::wstring& from, const std::wstring& to, DWORD flags, DWORD& error) {
    if (::MoveFileExW(from.c_str(), to.c_str(), flags)) return true;
    error = ::GetLastError();
    return false;
}

// Removes a file of ours; one that the system still holds goes at the next restart.
void Remove(const std::wstring& path) {
    if (::DeleteFileW(path.c_str()) || win::IsNotFound(::GetLastError())) return;
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

std::wstring StagedPath(const std::wstring& path) { return win::ExtendedPath(path + kStagedSuffix); }

std::wstring BackupPath(const std::wstring& path) { return win::ExtendedPath(path + kBackupSuffix); }

bool PutInPlace(const std::wstring& path, DWORD& error) {
    const std::wstring target = win::ExtendedPath(path);
    const bool existed = win::PathExists(target);
    if (existed && !Move(target, BackupPath(path), MOVEFILE_REPLACE_EXISTING, error)) return false;
    if (existed) Journal().BackupMade(path);
    if (Move(StagedPath(path), target, 0, error)) return true;
    DWORD ignored = 0;
    if (existed) Move(BackupPath(path), target, MOVEFILE_REPLACE_EXISTING, ignored);
    return false;
}

bool SetAside(const std::wstring& path, DWORD& error) {
    if (!Move(win::ExtendedPath(path), BackupPath(path), MOVEFILE_REPLACE_EXISTING, error)) return false;
    Journal().BackupMade(path);
    return true;
}

bool KeepCopy(const std::wstring& path, DWORD& error) {
    if (!win::CopyToFreshFile(win::ExtendedPath(path), BackupPath(path), error)) return false;
    Journal().BackupMade(path);
    return true;
}

bool TakeBack(const std::wstring& path, bool existed, bool backupMade) {
    Remove(StagedPath(path));
    const std::wstring target = win::ExtendedPath(path);
    DWORD error = 0;
    // A backup comes back only when the run made it: one it did not make is not the file as it
    // was. A file that was there and is gone was moved to its backup by a run ended before it
    // could say so.
    const bool restore = backupMade || (existed && !win::PathExists(target));
    if (restore && win::PathExists(BackupPath(path)))
        return Move(BackupPath(path), target, MOVEFILE_REPLACE_EXISTING, error);
    if (existed) return true;  // never replaced: it is as it was
    // A new file that cannot go now (the uninstaller that repairs runs from it) goes at the restart.
    Remove(target);
    return true;
}

void Forget(const std::wstring& path) {
    Remove(StagedPath(path));
    DropBackup(path);
}

void DropBackup(const std::wstring& path) { Remove(BackupPath(path)); }

namespace {

void RemoveFolderTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    win::FindHandle search(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                              nullptr, 0));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = folder + L"\\" + name;
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveFolderTree(child);
            else if (isFolder)
                ::RemoveDirectoryW(child.c_str());  // the link itself, not where it leads
            else
                Remove(child);
        } while (::FindNextFileW(search.get(), &found));
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

void RemoveStagedTree(const std::wstring& path) {
    const std::wstring staged = win::ExtendedPath(path + kStagedSuffix);
    const DWORD attributes = ::GetFileAttributesW(staged.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        ::RemoveDirectoryW(staged.c_str());
    else
        RemoveFolderTree(staged);
}

}  // namespace txn
