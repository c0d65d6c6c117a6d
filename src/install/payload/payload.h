#pragma once
// Unpacking the embedded payload archive into the target folder.
#include <windows.h>
#include <string>
#include <vector>

#include "install/payload/zip_archive.h"

// The payload read whole and checked before anything is written, so that a damaged archive
// writes nothing: a name that does not fit, could leave the target or is no plain Windows
// name; two names Windows takes for the same file; an unsupported method or encryption; data
// that does not match its declared size and CRC-32; a full path beyond 259 characters below
// the target folder (checked when it is written).
class CheckedPayload {
public:
    // From the program's own resource, through the temporary archive (deleted again).
    bool LoadFromResource();
    // From an archive file on disk.
    bool LoadFromArchive(const std::wstring& archivePath);

    // The longest relative path of an entry, so that a target folder can be refused before
    // anything is made when it leaves no room for it.
    size_t LongestName() const;

    // Writes every entry (but the icon library when it is kept) relative to the target
    // folder, which becomes the current directory: 0 on success. -1 on a write error or a
    // file or folder that cannot be created and does not exist (an existing file that is in
    // use or read-only keeps its contents), or when a path would pass 259 characters; the
    // current directory is then as before.
    int WriteInto(const std::wstring& targetFolder, int keepIconLibrary) const;

    struct Item {
        zip::Entry entry;
        std::string data;
        bool IsFolder() const;
    };
    const std::vector<Item>& items() const { return m_items; }

private:
    std::vector<Item> m_items;
};

// 0 on success; -1 when the payload cannot be written out, opened, checked or unpacked into
// the target. On success the current directory is the target folder; on failure it is what
// it was before.
int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary);

// The same for an archive file on disk.
int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary);

// Sets creation and last-write time of the file to the DOS date (high word) and time (low
// word), read as local time; the last-access time stays.
void SetFileTimeFromDosDate(const std::wstring& path, DWORD dosDateTime);

// Creates every level of a relative or full folder path: 1 when done, 0 when a level cannot
// be made because its parent is missing.
int MakeFolderPath(const std::wstring& folder);
