#pragma once
// How a file of an installation is changed so that the change can be taken back: the new file
// is written beside it under a temporary name (same folder, same volume), and put in place by
// renames that keep the old one as a backup until the installation is complete. A rename is
// all or nothing, and it replaces a link planted at the name rather than writing through it.
#include <windows.h>

#include <string>

#include "win/folder_handle.h"

namespace txn {

constexpr wchar_t kStagedSuffix[] = L".lm-new";
constexpr wchar_t kBackupSuffix[] = L".lm-old";

// "<path>.lm-new" and "<path>.lm-old", in the form that passes the 259-character limit: the
// file itself fits, its temporary names need not.
std::wstring StagedPath(const std::wstring& path);
std::wstring BackupPath(const std::wstring& path);

// The staged file "<name>.lm-new" of `folder`, held open as `staged`, takes the place of the
// last name of `path` (as the journal names it); what was there becomes its backup by a rename
// of its own handle. A name that leads elsewhere (a link, as Wine shows one) is refused. False,
// with the Win32 error of the call that failed, when that cannot be done; nothing changed then.
bool PutInPlace(const win::Folder& folder, const std::wstring& path, HANDLE staged, DWORD& error);

// Moves an existing file to its backup (it goes when the installation is complete); false
// with the error when it cannot be moved.
bool SetAside(const std::wstring& path, DWORD& error);

// Undoes PutInPlace or SetAside: the staged file goes, the backup comes back when
// `backupMade` says this run made it; a file that did not exist before goes. False when
// something could not be put back.
//
// A file that the system still holds goes at the next restart when it lies in `programFolder`
// (which only administrators may change), and is left, and noted in the journal, anywhere else.
bool TakeBack(const std::wstring& path, bool existed, bool backupMade, const std::wstring& programFolder);
// After the installation is complete: the staged file and the backup go.
void Forget(const std::wstring& path, const std::wstring& programFolder);
// The backup alone, for a run that knows it made one.
void DropBackup(const std::wstring& path, const std::wstring& programFolder);

// A file of a run goes, by its handle through its checked folder (a link stays).
void Remove(const std::wstring& path, const std::wstring& programFolder);

// A file the system holds (a running program) that a user's run must still take out of the
// program folder, which has no restart list to use: the open `item` (with DELETE) is renamed
// into a folder of its own in the temporary folder, "Lumiscope_Uninstall_<process id>", where
// the next run of the uninstaller removes it. False with the error (another volume, say).
bool MoveToTemp(HANDLE item, const std::wstring& name, DWORD& error);
// Renames a file within its checked folder through its handle, replacing what is at `to`;
// false with the error (ERROR_CANT_ACCESS_FILE for a name or folder that leads elsewhere).
bool RenameInFolder(const std::wstring& from, const std::wstring& to, DWORD& error);

// A folder staged beside its place ("<path>.lm-new") and everything in it go, through handles:
// a link found in it is never entered (on Windows it goes itself; under Wine, where a handle
// can only reach its target, it stays), nor is a tree reached through a link.
void RemoveStagedTree(const std::wstring& path);
// A folder a run made goes when it is empty, by its handle (never a link's target); false when
// it stays because something is still in it.
bool RemoveFolderIfEmpty(const std::wstring& path);

// PutInPlace and SetAside tell the journal when they kept a backup (BackupMade).

}  // namespace txn
