#include "install/payload/payload.h"

#include <algorithm>
#include <vector>

#include "install/payload/entry_name.h"
#include "install/request/folders.h"
#include "install/journal.h"
#include "install/payload/zip_archive.h"
#include "win/current_directory.h"
#include "win/file_facts.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr WORD kPayloadId = 1974;
constexpr DWORD kTempPathLimit = 519;
// All entries together; the checked data is held in memory until it is written.
constexpr uint64_t kMaxPayloadBytes = 512ull << 20;

using CheckedEntry = CheckedPayload::Item;

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
    DWORD written = 0;
    return ::WriteFile(file.get(), data, size, &written, nullptr) && written == size;
}

bool FitsBelowTarget(const std::wstring& targetFolder, const std::wstring& name) {
    return targetFolder.size() + name.size() <= kMaxPathChars;
}

// Reads and checks every entry, so that nothing is written from an archive that is damaged
// anywhere. The checked data is what is written later: nothing is read from the file again.
bool LoadCheckedEntries(unzFile archive, std::vector<CheckedEntry>& entries) {
    entries.clear();
    unsigned long long count = 0;
    if (!zip::CountEntries(archive, count)) return false;
    std::vector<std::wstring> names;
    uint64_t total = 0;
    for (unsigned long long i = 0; i < count; ++i) {
        if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) return false;
        CheckedEntry checked;
        if (zip::ReadCurrentEntry(archive, checked.entry) != zip::EntryStatus::Ok) return false;
        total += checked.entry.size;
        if (total > kMaxPayloadBytes) return false;
        if (checked.IsFolder() ? checked.entry.size != 0 : !zip::ReadEntryData(archive, checked.entry, checked.data))
            return false;
        names.push_back(checked.entry.name);
        entries.push_back(std::move(checked));
    }
    return !HasCollidingNames(names);
}

win::File CreateOutputFile(const std::wstring& name) {
    return win::File(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// "\\" separators, as the file system and the install record name files.
std::wstring LocalName(std::wstring name) {
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

// Creates the file, making its folders when the first try fails (a folder entry may be
// missing from the archive).
win::File CreateEntryFile(const std::wstring& targetFolder, const std::wstring& name) {
    win::File file = CreateOutputFile(name);
    std::wstring folder = FolderPart(name);
    if (!file && !folder.empty()) {
        MakeFolderPath(targetFolder + LocalName(folder));
        file = CreateOutputFile(name);
    }
    return file;
}

void SetHandleTimeFromDosDate(HANDLE file, DWORD dosDateTime) {
    FILETIME local, utc;
    if (!::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return;
    if (!::LocalFileTimeToFileTime(&local, &utc)) return;
    ::SetFileTime(file, &utc, nullptr, &utc);  // no access time: it stays as it is
}

bool WriteFolderEntry(const std::wstring& targetFolder, const CheckedEntry& checked) {
    const std::wstring& name = checked.entry.name;
    if (::CreateDirectoryW(name.c_str(), nullptr)) {
        Journal().FolderCreated(targetFolder + LocalName(FolderPart(name)));
        return true;
    }
    if (win::IsExistingFolder(name)) return true;
    Journal().Failed(phase::kPayload, L"folder not created: " + LocalName(name), ::GetLastError());
    return false;
}

bool WriteFileEntry(const std::wstring& targetFolder, const CheckedEntry& checked) {
    const std::wstring& name = checked.entry.name;
    win::File file = CreateEntryFile(targetFolder, name);
    // An existing file that is in use or read-only keeps its old contents, as the viewer that
    // holds it expects; a file that cannot be made at all means the installation failed.
    if (!file) {
        const DWORD error = ::GetLastError();
        if (win::IsExistingFile(name)) {
            Journal().FileLeftAsItWas(LocalName(name), error);
            return true;
        }
        Journal().Failed(phase::kPayload, L"file not created: " + LocalName(name), error);
        return false;
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(checked.data.size());
    if (!::WriteFile(file.get(), checked.data.data(), size, &written, nullptr) || written != size) {
        Journal().Failed(phase::kPayload, L"file not written: " + LocalName(name), ::GetLastError());
        file.reset();
        ::DeleteFileW(name.c_str());  // a cut-off program is worse than none
        return false;
    }
    SetHandleTimeFromDosDate(file.get(), checked.entry.dosDate);
    Journal().FileWritten(LocalName(name), checked.entry.size, checked.entry.crc);
    return true;
}

bool WriteEntries(const std::wstring& targetFolder, const std::vector<CheckedEntry>& entries, int keepIconLibrary) {
    for (const CheckedEntry& checked : entries) {
        if (keepIconLibrary == 1 && NamesIconLibrary(checked.entry.rawName)) continue;
        bool written = checked.IsFolder() ? WriteFolderEntry(targetFolder, checked) : WriteFileEntry(targetFolder, checked);
        if (!written) return false;
    }
    return true;
}

}  // namespace

bool CheckedPayload::Item::IsFolder() const { return NamePart(entry.name).empty(); }

bool CheckedPayload::LoadFromResource() {
    std::wstring archivePath = TempArchivePath();
    if (archivePath.empty()) return false;
    bool loaded = WritePayloadResource(archivePath) && LoadFromArchive(archivePath);
    ::DeleteFileW(archivePath.c_str());
    return loaded;
}

bool CheckedPayload::LoadFromArchive(const std::wstring& archivePath) {
    if (archivePath.empty()) return false;
    zip::Archive archive(archivePath);
    return archive && LoadCheckedEntries(archive.get(), m_items);
}

size_t CheckedPayload::LongestName() const {
    size_t longest = 0;
    for (const Item& item : m_items) longest = std::max(longest, item.entry.name.size());
    return longest;
}

int CheckedPayload::WriteInto(const std::wstring& targetFolder, int keepIconLibrary) const {
    // Entries are written by their relative names, so the target is the base of all paths.
    // A failure puts the current directory back, so that the failure's log entry lands where
    // the setup was started.
    for (const Item& item : m_items)
        if (!FitsBelowTarget(targetFolder, item.entry.name)) return -1;
    win::CurrentDirectoryRestorer restore;
    if (!::SetCurrentDirectoryW(targetFolder.c_str()) || !WriteEntries(targetFolder, m_items, keepIconLibrary))
        return -1;
    restore.Keep();
    return 0;
}

int ExtractPayload(const std::wstring& targetFolder, int keepIconLibrary) {
    CheckedPayload payload;
    return payload.LoadFromResource() ? payload.WriteInto(targetFolder, keepIconLibrary) : -1;
}

int UnpackArchive(const std::wstring& archivePath, const std::wstring& targetFolder, int keepIconLibrary) {
    CheckedPayload payload;
    return payload.LoadFromArchive(archivePath) ? payload.WriteInto(targetFolder, keepIconLibrary) : -1;
}

void SetFileTimeFromDosDate(const std::wstring& path, DWORD dosDateTime) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) SetHandleTimeFromDosDate(file.get(), dosDateTime);
}

int MakeFolderPath(const std::wstring& folder) {
    if (folder.empty()) return 0;
    std::wstring path = folder;
    if (path.back() == L'/') path.pop_back();
    if (::CreateDirectoryW(path.c_str(), nullptr)) {
        Journal().FolderCreated(path);
        return 1;
    }
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
        std::wstring level = path.substr(0, i);
        if (::CreateDirectoryW(level.c_str(), nullptr))
            Journal().FolderCreated(level);
        else if (::GetLastError() == ERROR_PATH_NOT_FOUND)
            return 0;
    }
    return 1;
}
