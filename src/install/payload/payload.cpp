#include "install/payload/payload.h"

#include <algorithm>

#include "install/journal.h"
#include "install/payload/entry_name.h"
#include "install/payload/staging.h"
#include "install/recovery/transaction.h"
#include "install/request/install_request.h"
#include "win/current_directory.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace {

constexpr WORD kPayloadId = 1974;

bool ReadEntries(zip::Archive& archive, uint64_t size, std::vector<zip::Entry>& entries) {
    entries.clear();
    unsigned long long count = 0;
    if (!archive || !zip::CountEntries(archive.get(), count)) return false;
    std::vector<std::wstring> names;
    for (unsigned long long i = 0; i < count; ++i) {
        if (i > 0 && unzGoToNextFile(archive.get()) != UNZ_OK) return false;
        zip::Entry entry;
        if (zip::ReadCurrentEntry(archive.get(), size, entry) != zip::EntryStatus::Ok) return false;
        if (IsFolderEntry(entry) && entry.size != 0) return false;
        names.push_back(entry.name);
        entries.push_back(std::move(entry));
    }
    return !HasCollidingNames(names);
}

// Unpacks a checked payload as one transaction of its own, kept in memory only: a failure takes
// back what was written.
int Unpack(const PayloadArchive& payload, const std::wstring& targetFolder, int keepIconLibrary) {
    txn::Transaction transaction;
    ScopedJournal writingAhead(transaction);
    transaction.BeginInMemory(targetFolder);
    UnchangedFiles unchanged;
    PayloadStaging staging(payload, targetFolder, keepIconLibrary, unchanged);
    if (!staging.MakeFolders() || !staging.Stage() || !staging.Commit()) {
        staging.Release();
        transaction.RollBack();
        return -1;
    }
    transaction.Commit();
    transaction.Complete();
    return staging.EnterTarget() ? 0 : -1;
}

}  // namespace

std::wstring LocalName(std::wstring name) {
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

bool IsFolderEntry(const zip::Entry& entry) { return NamePart(entry.name).empty(); }

bool PayloadArchive::LoadFromResource() {
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(kPayloadId), L"ZIP");
    HGLOBAL loaded = info ? ::LoadResource(nullptr, info) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return data && LoadFromMemory(data, ::SizeofResource(nullptr, info));
}

bool PayloadArchive::LoadFromMemory(const void* data, uint64_t size) {
    m_data = static_cast<const unsigned char*>(data);
    zip::Archive archive(data, size);
    return size != 0 && ReadEntries(archive, size, m_entries);
}

size_t PayloadArchive::LongestName() const {
    size_t longest = 0;
    for (const zip::Entry& entry : m_entries) longest = std::max(longest, entry.name.size());
    return longest;
}

bool PayloadArchive::HoldsViewer() const {
    const std::wstring viewer = win::UpperCase(kViewerExe);
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const zip::Entry& entry) {
        return !IsFolderEntry(entry) && FileSystemKey(entry.name) == viewer;
    });
}

uint64_t PayloadArchive::TotalBytes() const {
    uint64_t total = 0;
    for (const zip::Entry& entry : m_entries) total += entry.size;
    return total;
}

int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary) {
    PayloadArchive payload;
    return payload.LoadFromResource() ? Unpack(payload, targetFolder, keepIconLibrary) : -1;
}

int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary) {
    win::File file(archivePath.empty() ? INVALID_HANDLE_VALUE
                                       : ::CreateFileW(archivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart == 0) return -1;
    win::KernelObject mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    win::MappedView view(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr);
    PayloadArchive payload;
    if (!view || !payload.LoadFromMemory(view.get(), static_cast<uint64_t>(size.QuadPart))) return -1;
    return Unpack(payload, targetFolder, keepIconLibrary);
}

void SetHandleTimeFromDosDate(HANDLE file, DWORD dosDateTime) {
    FILETIME local, utc;
    if (!::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return;
    if (!::LocalFileTimeToFileTime(&local, &utc)) return;
    ::SetFileTime(file, &utc, nullptr, &utc);  // no access time: it stays as it is
}

void SetFileTimeFromDosDate(const std::wstring& path, DWORD dosDateTime) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) SetHandleTimeFromDosDate(file.get(), dosDateTime);
}
