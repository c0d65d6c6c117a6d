#include "install/recovery/replaced_file.h"

#include <algorithm>
#include <vector>

#include "install/install_places.h"
#include "install/journal.h"
#include "install/recovery/temp_copies.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/safe_file.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace txn {
namespace {


bool IsHeld(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }

// The folder that holds `path`, checked; invalid when it is missing or reached through a link.
win::Folder FolderOf(const std::wstring& path) {
    DWORD error = 0;
    return win::Folder::Open(win::ParentPath(path), error);
}

// Removes a file of ours by its handle. One that the system still holds goes at the next
// restart only inside the program folder: a restart deletes by path as the system, and a
// folder that others may write (the settings folder, the desktop) could by then be a link to
// anywhere. Elsewhere it is left, and said; the next run that backs up that file again
// replaces it and removes it through the folder's handle. A name that leads elsewhere (a link
// as Wine shows it) is left alone.
void Remove(const win::Folder& folder, const std::wstring& path, const std::wstring& programFolder) {
    DWORD error = 0;
    win::File file = folder.OpenEntry(win::LastName(path), error);
    if (file && !(win::AttributesOf(file.get()) & FILE_ATTRIBUTE_DIRECTORY) && win::DeleteByHandle(file.get(), error)) return;
    if (!IsHeld(error)) return;
    const bool inProgram =
        !programFolder.empty() && win::IsSameOrInside(win::ExtendedPath(programFolder), win::ExtendedPath(path));
    if (inProgram && Places().restartDeletes)
        ::MoveFileExW(win::ExtendedPath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    else if (inProgram && MoveToTemp(file.get(), win::LastName(path), error))
        Journal().Note(L"setup", L"moved to the temporary folder, in use: " + path);
    else
        Journal().Note(L"setup", win::Format(L"left, in use (Win32 error %lu): %s", error, path.c_str()));
}

}  // namespace

bool MoveToTemp(HANDLE item, const std::wstring& name, DWORD& error) {
    const std::wstring tempPath = win::TempFolder();
    const win::Folder temp = tempPath.empty() ? win::Folder() : win::Folder::Open(tempPath, error);
    const std::wstring folderName = kTempCopyPrefix + std::to_wstring(::GetCurrentProcessId());
    win::Folder aside = temp ? temp.OpenFolder(folderName, error) : win::Folder();
    if (!aside && temp) aside = temp.NewFolder(folderName, error);
    if (!aside) return false;
    // By the file's handle, to a place reached through the temporary folder's handle.
    const std::wstring target = aside.path() + L"\\" + name;
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t), 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), info->FileName);
    if (::SetFileInformationByHandle(item, FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) return true;
    error = ::GetLastError();
    return false;
}

void Remove(const std::wstring& path, const std::wstring& programFolder) {
    const win::Folder folder = FolderOf(path);
    if (folder) Remove(folder, path, programFolder);
}

bool RenameInFolder(const std::wstring& from, const std::wstring& to, DWORD& error) {
    const win::Folder folder = win::Folder::Open(win::ParentPath(from), error);
    win::File file = folder ? folder.OpenEntry(win::LastName(from), error) : win::File();
    return file && folder.Rename(file.get(), win::LastName(from), win::LastName(to), true, error);
}

std::wstring StagedPath(const std::wstring& path) { return win::ExtendedPath(path + kStagedSuffix); }

std::wstring BackupPath(const std::wstring& path) { return win::ExtendedPath(path + kBackupSuffix); }

bool PutInPlace(const win::Folder& folder, const std::wstring& path, HANDLE staged, DWORD& error) {
    const std::wstring name = win::LastName(path);
    win::File existing = folder.OpenEntry(name, error);
    if (!existing && !win::IsNotFound(error)) return false;
    if (existing && !folder.Rename(existing.get(), name, name + kBackupSuffix, true, error)) return false;
    if (existing) Journal().BackupMade(path);
    if (folder.Rename(staged, name + kStagedSuffix, name, false, error)) return true;
    DWORD ignored = 0;
    if (existing) folder.Rename(existing.get(), name + kBackupSuffix, name, true, ignored);
    return false;
}

bool SetAside(const std::wstring& path, DWORD& error) {
    const win::Folder folder = win::Folder::Open(win::ParentPath(path), error);
    win::File file = folder ? folder.OpenEntry(win::LastName(path), error) : win::File();
    if (!file || !folder.Rename(file.get(), win::LastName(path), win::LastName(path) + kBackupSuffix, true, error)) return false;
    Journal().BackupMade(path);
    return true;
}

bool TakeBack(const std::wstring& path, bool existed, bool backupMade, const std::wstring& programFolder) {
    DWORD error = 0;
    const win::Folder folder = win::Folder::Open(win::ParentPath(path), error);
    if (!folder) return win::IsNotFound(error);  // nothing of ours can be there
    const std::wstring name = win::LastName(path);
    Remove(folder, path + kStagedSuffix, programFolder);
    // A backup comes back only when the run made it: one it did not make is not the file as it
    // was. A file that was there and is gone was moved to its backup by a run ended before it
    // could say so.
    const bool gone = existed && !folder.OpenEntry(name, error, FILE_READ_ATTRIBUTES) && win::IsNotFound(error);
    win::File backup = backupMade || gone ? folder.OpenEntry(name + kBackupSuffix, error) : win::File();
    if (backup) return folder.Rename(backup.get(), name + kBackupSuffix, name, true, error);
    if (existed) return true;  // never replaced: it is as it was
    // A new file that cannot go now (the uninstaller that repairs runs from it) goes at the restart.
    Remove(folder, path, programFolder);
    return true;
}

void Forget(const std::wstring& path, const std::wstring& programFolder) {
    Remove(StagedPath(path), programFolder);
    DropBackup(path, programFolder);
}

void DropBackup(const std::wstring& path, const std::wstring& programFolder) { Remove(BackupPath(path), programFolder); }

void RemoveStagedTree(const std::wstring& path) {
    const win::Folder folder = FolderOf(path);
    if (folder) folder.Remove(win::LastName(path) + kStagedSuffix);
}

bool RemoveFolderIfEmpty(const std::wstring& path) {
    const win::Folder parent = FolderOf(path);
    DWORD error = 0;
    win::File folder = parent ? parent.OpenEntry(win::LastName(path), error) : win::File();
    if (!folder || (win::AttributesOf(folder.get()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                       FILE_ATTRIBUTE_DIRECTORY)
        return true;
    return win::DeleteByHandle(folder.get(), error) || error != ERROR_DIR_NOT_EMPTY;
}

}  // namespace txn
