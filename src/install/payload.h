#pragma once
// Unpacking the embedded payload archive into the target folder.
#include <windows.h>
#include <string>

#include "unzip.h"

// 0 on success; -1 when the payload cannot be written out, opened or unpacked into the
// target. On success the current directory is the target folder.
int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary);

// The same for an archive file on disk (ExtractPayload writes the resource to one first).
// A damaged archive (an entry name that does not fit or leaves the target, an unsupported
// method or encryption) is refused before anything is written; a read, write or CRC error
// found while copying also gives -1. A file that is locked stays as it is and counts as done.
int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary);

// Writes every entry of the open archive relative to the current directory: 0 when all
// went through, -1 at the first damaged entry or copy error.
int ExtractAllEntries(unzFile archive, int keepIconLibrary);

// Sets creation and last-write time of the file to the DOS date (high word) and time (low
// word), read as local time; the last-access time stays.
void SetFileTimeFromDosDate(const std::wstring& path, DWORD dosDateTime);

// Creates every level of a relative or full folder path: 1 when done, 0 when a level cannot
// be made because its parent is missing.
int MakeFolderPath(const std::wstring& folder);
