#include "install/payload.h"

#include <memory>
#include <new>

#include "install/entry_name.h"
#include "install/zip_archive.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr WORD kPayloadId = 1974;
constexpr DWORD kCopyBufferSize = 32768;
constexpr DWORD kTempPathLimit = 519;

// The temporary folder as the system reports it, with "lscopg_x64.zip"; empty when the
// folder cannot be read within its limit.
std::wstring TempArchivePath() {
    wchar_t folder[kTempPathLimit + 1] = {};
    DWORD n = ::GetTempPathW(kTempPathLimit + 1, folder);
    if (n == 0 || n > kTempPathLimit) return std::wstring();
    std::wstring path(folder, n);
    win::AppendBackslash(path);
    return path + L"lscopg_x64.zip";
}

bool WritePayloadResource(const std::wstring& path) {
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(kPayloadId), L"ZIP");
    if (!info) return false;
    HGLOBAL loaded = ::LoadResource(nullptr, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    DWORD size = ::SizeofResource(nullptr, info);
    if (!data || size == 0) return false;
    win::File file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    // Not checked on purpose: a short write shows up as an archive that does not open.
    DWORD written = 0;
    ::WriteFile(file.get(), data, size, &written, nullptr);
    return true;
}

win::File CreateOutputFile(const std::wstring& name) {
    return win::File(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Creates the file, making its folders when the first try fails (a folder entry may be
// missing from the archive). An invalid handle means the file is locked.
win::File CreateEntryFile(const std::wstring& name) {
    win::File file = CreateOutputFile(name);
    std::wstring folder = FolderPart(name);
    if (!file && !folder.empty()) {
        MakeFolderPath(folder);
        file = CreateOutputFile(name);
    }
    return file;
}

bool CopyEntryData(unzFile archive, HANDLE file, char* buffer) {
    for (;;) {
        int got = unzReadCurrentFile(archive, buffer, kCopyBufferSize);
        if (got < 0) return false;
        if (got == 0) return true;
        DWORD written = 0;
        if (!::WriteFile(file, buffer, static_cast<DWORD>(got), &written, nullptr) || written != static_cast<DWORD>(got))
            return false;
    }
}

enum class EntryResult { Done, Failed };

// One file entry: the data is copied, the time set and the CRC checked at close.
EntryResult ExtractFileEntry(unzFile archive, const zip::Entry& entry, char* buffer) {
    if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
        unzCloseCurrentFile(archive);
        return EntryResult::Failed;
    }
    win::File file = CreateEntryFile(entry.name);
    if (!file) {  // in use or read-only: the old file stays and nobody is told
        unzCloseCurrentFile(archive);
        return EntryResult::Done;
    }
    bool copied = CopyEntryData(archive, file.get(), buffer);
    file.reset();
    if (!copied) {
        unzCloseCurrentFile(archive);
        return EntryResult::Failed;
    }
    SetFileTimeFromDosDate(entry.name, entry.dosDate);
    return unzCloseCurrentFile(archive) == UNZ_OK ? EntryResult::Done : EntryResult::Failed;
}

EntryResult ExtractEntry(unzFile archive, const zip::Entry& entry) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
    if (!buffer) return EntryResult::Failed;
    if (NamePart(entry.name).empty()) {
        ::CreateDirectoryW(entry.name.c_str(), nullptr);  // an existing folder is fine
        return EntryResult::Done;
    }
    return ExtractFileEntry(archive, entry, buffer.get());
}

// Checks every entry first so that a damaged archive writes nothing at all.
bool ArchiveIsAcceptable(const std::wstring& archivePath) {
    zip::Archive archive(archivePath);
    return archive && zip::AllEntriesAcceptable(archive.get());
}

}  // namespace

int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary) {
    std::wstring archivePath = TempArchivePath();
    if (archivePath.empty() || !WritePayloadResource(archivePath)) return -1;
    int result = UnpackArchive(archivePath, targetFolder, keepIconLibrary);
    ::DeleteFileW(archivePath.c_str());
    return result;
}

int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary) {
    if (archivePath.empty() || !ArchiveIsAcceptable(archivePath)) return -1;
    zip::Archive archive(archivePath);
    if (!archive) return -1;
    // Entries are written by their relative names, so the target is the base of all paths.
    if (!::SetCurrentDirectoryW(targetFolder.c_str())) return -1;
    return ExtractAllEntries(archive.get(), keepIconLibrary);
}

int ExtractAllEntries(unzFile archive, int keepIconLibrary) {
    unsigned long long count = 0;
    if (!zip::CountEntries(archive, count)) return -1;
    zip::Entry entry;
    for (unsigned long long i = 0; i < count; ++i) {
        if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) return -1;
        if (zip::ReadCurrentEntry(archive, entry) != zip::EntryStatus::Ok) return -1;
        if (keepIconLibrary == 1 && NamesIconLibrary(entry.rawName)) continue;
        if (ExtractEntry(archive, entry) != EntryResult::Done) return -1;
    }
    return 0;
}

void SetFileTimeFromDosDate(const std::wstring& path, DWORD dosDateTime) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return;
    FILETIME created, accessed, written;
    if (!::GetFileTime(file.get(), &created, &accessed, &written)) return;
    FILETIME local, utc;
    if (!::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return;
    if (!::LocalFileTimeToFileTime(&local, &utc)) return;
    ::SetFileTime(file.get(), &utc, &accessed, &utc);
}

int MakeFolderPath(const std::wstring& folder) {
    if (folder.empty()) return 0;
    std::wstring path = folder;
    if (path.back() == L'/') path.pop_back();
    if (::CreateDirectoryW(path.c_str(), nullptr)) return 1;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
        std::wstring level = path.substr(0, i);
        if (!::CreateDirectoryW(level.c_str(), nullptr) && ::GetLastError() == ERROR_PATH_NOT_FOUND) return 0;
    }
    return 1;
}
