#include "install/recovery/replaced_file.h"

#include "win/path_text.h"
#include "win/safe_file.h"
#include "win/unique_handle.h"

namespace txn {
namespace {


bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool Move(const std::wstring& from, const std::wstring& to, DWORD flags, DWORD& error) {
    if (::MoveFileExW(from.c_str(), to.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return true;
    error = ::GetLastError();
    return false;
}

// Removes a file of ours; one that the system still holds goes at the next restart.
void Remove(const std::wstring& path) {
    if (::DeleteFileW(path.c_str()) || IsGone(::GetLastError())) return;
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

std::wstring StagedPath(const std::wstring& path) { return win::ExtendedPath(path + kStagedSuffix); }

std::wstring BackupPath(const std::wstring& path) { return win::ExtendedPath(path + kBackupSuffix); }

bool PutInPlace(const std::wstring& path, DWORD& error) {
    const std::wstring target = win::ExtendedPath(path);
    const bool existed = Exists(target);
    if (existed && !Move(target, BackupPath(path), MOVEFILE_REPLACE_EXISTING, error)) return false;
    if (Move(StagedPath(path), target, 0, error)) return true;
    DWORD ignored = 0;
    if (existed) Move(BackupPath(path), target, MOVEFILE_REPLACE_EXISTING, ignored);
    return false;
}

bool SetAside(const std::wstring& path, DWORD& error) {
    return Move(win::ExtendedPath(path), BackupPath(path), MOVEFILE_REPLACE_EXISTING, error);
}

bool KeepCopy(const std::wstring& path, DWORD& error) {
    return win::CopyToFreshFile(win::ExtendedPath(path), BackupPath(path), error);
}

bool TakeBack(const std::wstring& path, bool existed) {
    Remove(StagedPath(path));
    const std::wstring target = win::ExtendedPath(path);
    DWORD error = 0;
    if (Exists(BackupPath(path))) return Move(BackupPath(path), target, MOVEFILE_REPLACE_EXISTING, error);
    if (existed) return true;  // never replaced: it is as it was
    return ::DeleteFileW(target.c_str()) || IsGone(::GetLastError());
}

void Forget(const std::wstring& path) {
    Remove(StagedPath(path));
    Remove(BackupPath(path));
}

}  // namespace txn
