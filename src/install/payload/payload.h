#pragma once
// The payload the setup carries: a ZIP archive in its own resources, read where the system
// mapped it (the program's image, which no other process can change while the program runs),
// never through a file. Its directory is read and checked whole before anything is made; the
// data of each entry is checked as it is written (see PayloadStaging).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install/payload/zip_archive.h"

class PayloadArchive {
public:
    // The program's own resource.
    bool LoadFromResource();
    // Any archive in memory; the bytes must outlive this object.
    bool LoadFromMemory(const void* data, uint64_t size);

    // Damaged payloads are refused by the loads: an entry whose name does not fit, could leave
    // the target or is no plain Windows name; two names Windows takes for the same file; an
    // unsupported method or encryption; data that does not lie inside the archive.
    const std::vector<zip::Entry>& entries() const { return m_entries; }
    const unsigned char* data() const { return m_data; }

    // The longest relative path of an entry, so that a target folder can be refused before
    // anything is made when it leaves no room for it.
    size_t LongestName() const;
    // The viewer's program is at the top: a payload without it installs nothing that works.
    bool HoldsViewer() const;
    // The uncompressed bytes of every entry, for the progress shown.
    uint64_t TotalBytes() const;

private:
    const unsigned char* m_data = nullptr;
    std::vector<zip::Entry> m_entries;
};

// "\" separators, as the file system and the install record name files.
std::wstring LocalName(std::wstring name);
bool IsFolderEntry(const zip::Entry& entry);

// 0 on success; -1 when the payload cannot be read, checked or unpacked into the target (what
// was written is then taken back). On success the current directory is the target folder; on
// failure it is what it was before.
int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary);

// The same for an archive file on disk.
int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary);

// Sets creation and last-write time of the file to the DOS date (high word) and time (low
// word), read as local time; the last-access time stays.
void SetFileTimeFromDosDate(const std::wstring& path, DWORD dosDateTime);
void SetHandleTimeFromDosDate(HANDLE file, DWORD dosDateTime);
