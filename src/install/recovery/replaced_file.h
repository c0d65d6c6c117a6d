#pragma once
// How a file of an installation is changed so that the change can be taken back: the new file
// is written beside it under a temporary name (same folder, same volume), and put in place by
// renames that keep the old one as a backup until the installation is complete. A rename is
// all or nothing, and it replaces a link planted at the name rather than writing through it.
#include <windows.h>

#include <string>

namespace txn {

constexpr wchar_t kStagedSuffix[] = L".lm-new";
constexpr wchar_t kBackupSuffix[] = L".lm-old";

// "<path>.lm-new" and "<path>.lm-old", in the form that passes the 259-character limit: the
// file itself fits, its temporary names need not.
std::wstring StagedPath(const std::wstring& path);
std::wstring BackupPath(const std::wstring& path);

// The staged file takes the place of `path`; what was there becomes its backup. False, with
// the Win32 error of the call that failed, when that cannot be done; nothing changed then.
bool PutInPlace(const std::wstring& path, DWORD& error);

// Moves an existing file to its backup (it goes when the installation is complete); false
// with the error when it cannot be moved.
bool SetAside(const std::wstring& path, DWORD& error);

// Makes the backup a copy of the file as it is, for a file that is changed in place; false
// with the error when the copy cannot be made (the file is then left as it is).
bool KeepCopy(const std::wstring& path, DWORD& error);

// Undoes PutInPlace, SetAside or a change in place: the staged file goes, the backup comes
// back when `backupMade` says this run made it; a file that did not exist before goes. False
// when something could not be put back.
bool TakeBack(const std::wstring& path, bool existed, bool backupMade);
// After the installation is complete: the staged file and the backup go (a backup that is
// still held is left to the next restart).
void Forget(const std::wstring& path);
// The backup alone, for a run that knows it made one.
void DropBackup(const std::wstring& path);

// A folder staged beside its place ("<path>.lm-new") and everything in it go; a link found in
// it is removed, never followed.
void RemoveStagedTree(const std::wstring& path);

// Each of the three tells the journal when it kept a backup (BackupMade).

}  // namespace txn
