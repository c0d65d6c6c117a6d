#include "win/folder_handle.h"

#include <winternl.h>

#include <vector>

#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/safe_file.h"
#include "win/text.h"

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext,
                                               PIO_STATUS_BLOCK io, PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS infoClass, BOOLEAN single, PUNICODE_STRING mask,
                                               BOOLEAN restart);

namespace win {
namespace {

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// Others may read and write in a folder we hold, but not rename or delete it meanwhile.
constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG kAnyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);

// The one call every relative open goes through: never follows a reparse point of the name
// itself, and an absolute or ".." name is refused by the system (the name must stay inside).
File NtOpen(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition, ULONG options,
            PSECURITY_DESCRIPTOR security, DWORD& error) {
    if (name.empty() || name.find(L'\\') != std::wstring::npos || name == L"." || name == L"..") {
        error = ERROR_INVALID_NAME;
        return File();
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, root, security);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const NTSTATUS status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                           share, disposition,
                                           options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (NT_SUCCESS(status)) return File(handle);
    error = ::RtlNtStatusToDosError(status);
    return File();
}

std::wstring Plain(std::wstring path) {
    if (StartsWithNoCase(path, L"\\\\?\\UNC\\")) path = L"\\\\" + path.substr(8);
    else if (StartsWithNoCase(path, L"\\\\?\\")) path = path.substr(4);
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    if (path.size() == 3 && path[1] == L':') path.pop_back();  // "C:" for the root, as a parent
    return path;
}

bool SamePlace(const std::wstring& reached, const std::wstring& asked) {
    if (EqualsNoCase(reached, asked)) return true;
    // A level typed in its short form reaches the same place under its long name.
    std::vector<wchar_t> buffer(asked.size() + MAX_PATH);
    const DWORD n = ::GetLongPathNameW(asked.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return n > 0 && n < buffer.size() && EqualsNoCase(reached, Plain(std::wstring(buffer.data(), n)));
}

// True when the open handle is the entry `expected` itself (not a link's target, not reached
// through a link on the way); else ERROR_CANT_ACCESS_FILE. `reached`, when asked for, gets
// where the handle is (its long names), so that a caller need not ask the system again.
bool IsItself(HANDLE handle, const std::wstring& expected, DWORD& error, std::wstring* reached = nullptr) {
    std::wstring where = FinalPathOf(handle);
    const bool same = SamePlace(where, expected);
    if (reached) *reached = std::move(where);
    if (same) return true;
    error = ERROR_CANT_ACCESS_FILE;
    return false;
}

// A real folder, not a reparse point, reached as `expected`.
bool IsRealFolder(HANDLE handle, const std::wstring& expected, DWORD& error, std::wstring* reached = nullptr) {
    DWORD links = 0;
    const DWORD attributes = AttributesOf(handle, links);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? ERROR_CANT_ACCESS_FILE : ERROR_DIRECTORY;
        return false;
    }
    return IsItself(handle, expected, error, reached);
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    return folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

std::vector<std::wstring> SplitLevels(const std::wstring& relative) {
    std::vector<std::wstring> levels;
    for (size_t start = 0; start <= relative.size();) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos) end = relative.size();
        if (end > start) levels.push_back(relative.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

bool ListIn(HANDLE folder, std::vector<ListedEntry>& entries) {
    std::vector<unsigned char> buffer(64 * 1024);
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK io = {};
        const NTSTATUS status = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                                     static_cast<ULONG>(buffer.size()), FileDirectoryInformation, FALSE,
                                                     nullptr, restart);
        if (status == kNoMoreFiles) return true;
        if (!NT_SUCCESS(status)) return false;
        for (size_t at = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(buffer.data() + at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.push_back({std::move(name), entry->FileAttributes, static_cast<uint64_t>(entry->EndOfFile.QuadPart)});
            if (!entry->NextEntryOffset) break;
            at += entry->NextEntryOffset;
        }
    }
}

struct Identity {
    LARGE_INTEGER index;
    LARGE_INTEGER created;
};

bool IdentityOf(HANDLE handle, Identity& id) {
    IO_STATUS_BLOCK io = {};
    FILE_INTERNAL_INFORMATION internal;
    FILE_BASIC_INFO basic;
    if (!NT_SUCCESS(::NtQueryInformationFile(handle, &io, &internal, sizeof internal, FileInternalInformation)) ||
        !::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        return false;
    id = {internal.IndexNumber, basic.CreationTime};
    return true;
}

// Both handles were opened in the same folder, so on Windows their file numbers are of one
// volume; under Wine a name may lead through a link to another file system, whose numbers
// may repeat, so the moment each was made is compared too. (The volume's serial number would
// settle it, but Wine takes milliseconds to tell it.)
bool IsSameEntry(HANDLE a, HANDLE b) {
    Identity x, y;
    return IdentityOf(a, x) && IdentityOf(b, y) && x.index.QuadPart == y.index.QuadPart &&
           x.created.QuadPart == y.created.QuadPart;
}

}  // namespace

std::wstring FinalPathOf(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return Plain(std::wstring(buffer.data(), n));
        buffer.resize(n + 1);
    }
}

Folder Folder::Open(const std::wstring& path, DWORD& error, ACCESS_MASK extra) {
    const std::wstring full = FullPath(path);
    if (full.empty()) {
        error = ERROR_INVALID_NAME;
        return Folder();
    }
    std::wstring opened = ExtendedPath(full);
    if (opened.back() != L'\\') opened += L'\\';
    File handle(::CreateFileW(opened.c_str(), kFolderAccess | extra, kFolderShare, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        error = ::GetLastError();
        return Folder();
    }
    // Its children are compared with the path it has (long names), not the one typed.
    std::wstring reached;
    if (!IsRealFolder(handle.get(), Plain(full), error, &reached)) return Folder();
    return Folder(std::move(handle), reached);
}

Folder Folder::OpenFolder(const std::wstring& relative, DWORD& error) const {
    HANDLE at = get();
    std::wstring path = m_path;
    File level;
    for (const std::wstring& name : SplitLevels(relative)) {
        File next = NtOpen(at, name, kFolderAccess, kFolderShare, FILE_OPEN, FILE_DIRECTORY_FILE, nullptr, error);
        path = Child(path, name);
        if (!next || !IsRealFolder(next.get(), path, error)) return Folder();
        level = std::move(next);
        at = level.get();
    }
    if (!level) error = ERROR_INVALID_NAME;
    return level ? Folder(std::move(level), path) : Folder();
}

Folder Folder::NewFolder(const std::wstring& name, DWORD& error, PSECURITY_DESCRIPTOR security) const {
    File made = NtOpen(get(), name, kFolderAccess | DELETE, kFolderShare, FILE_CREATE, FILE_DIRECTORY_FILE, security, error);
    if (made) made = Checked(std::move(made), name, error);
    return made ? Folder(std::move(made), Child(m_path, name)) : Folder();
}

// Under Wine a handle used as the root of a create stands for its folder's path, so a folder
// swapped for a link by a process outside the system's rules would receive what is made "in"
// it: what was just made is checked to be where its folder is, and goes again if not.
File Folder::Checked(File made, const std::wstring& name, DWORD& error) const {
    if (IsItself(made.get(), Child(m_path, name), error)) return made;
    DWORD ignored = 0;
    DeleteByHandle(made.get(), ignored);
    return File();
}

File Folder::NewFile(const std::wstring& name, DWORD& error, DWORD share) const {
    const ACCESS_MASK access = GENERIC_READ | GENERIC_WRITE | DELETE;
    File file = NtOpen(get(), name, access, share, FILE_CREATE, FILE_NON_DIRECTORY_FILE, nullptr, error);
    if (!file && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
        File old = OpenEntry(name, error);
        DWORD links = 0;
        if (!old || (AttributesOf(old.get(), links) & FILE_ATTRIBUTE_DIRECTORY) || !DeleteByHandle(old.get(), error))
            return File();
        old.reset();
        file = NtOpen(get(), name, access, share, FILE_CREATE, FILE_NON_DIRECTORY_FILE, nullptr, error);
    }
    return file ? Checked(std::move(file), name, error) : File();
}

File Folder::OpenFile(const std::wstring& name, ACCESS_MASK access, DWORD share, DWORD& error, bool create) const {
    File file = NtOpen(get(), name, access | FILE_READ_ATTRIBUTES, share, create ? FILE_OPEN_IF : FILE_OPEN,
                       FILE_NON_DIRECTORY_FILE, nullptr, error);
    if (!file) return file;
    DWORD links = 0;
    const DWORD attributes = AttributesOf(file.get(), links);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || links != 1) {
        error = ERROR_CANT_ACCESS_FILE;
        return File();
    }
    return IsItself(file.get(), Child(m_path, name), error) ? std::move(file) : File();
}

File Folder::OpenEntry(const std::wstring& name, DWORD& error, ACCESS_MASK access, DWORD share) const {
    File entry = NtOpen(get(), name, access | FILE_READ_ATTRIBUTES, share, FILE_OPEN, 0, nullptr, error);
    if (!entry || !IsItself(entry.get(), Child(m_path, name), error)) return File();
    return entry;
}

bool Folder::Remove(const std::wstring& name) const {
    DWORD error = 0;
    File entry = OpenEntry(name, error);
    if (!entry) return IsNotFound(error);
    DWORD links = 0;
    const DWORD attributes = AttributesOf(entry.get(), links);
    // A link of its own (on Windows the handle is the link itself) goes without being entered.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        Folder inner(std::move(entry), Child(m_path, name));
        if (!EmptyFolder(inner)) return false;
        entry = std::move(inner.m_handle);
    }
    return DeleteByHandle(entry.get(), error);
}

// Asked as two small classes: the all-in-one call also asks for the volume's serial number,
// which costs Wine milliseconds.
DWORD AttributesOf(HANDLE handle, DWORD& links) {
    FILE_ATTRIBUTE_TAG_INFO tag;
    FILE_STANDARD_INFO standard;
    if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
        !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return INVALID_FILE_ATTRIBUTES;
    links = standard.NumberOfLinks;
    return tag.FileAttributes;
}

DWORD AttributesOf(HANDLE handle) {
    DWORD links = 0;
    return AttributesOf(handle, links);
}

bool Folder::Rename(HANDLE item, const std::wstring& from, const std::wstring& to, bool replace, DWORD& error) const {
    const File held = NtOpen(get(), from, FILE_READ_ATTRIBUTES, kAnyShare, FILE_OPEN, 0, nullptr, error);
    if (!held || !IsSameEntry(item, held.get())) {
        if (held) error = ERROR_CANT_ACCESS_FILE;
        return false;
    }
    if (to.empty() || to.find(L'\\') != std::wstring::npos) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    const size_t bytes = to.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFORMATION, FileName) + bytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = get();
    info->FileNameLength = static_cast<ULONG>(bytes);
    std::copy(to.begin(), to.end(), info->FileName);
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status =
        ::NtSetInformationFile(item, &io, info, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    if (!NT_SUCCESS(status)) {
        error = ::RtlNtStatusToDosError(status);
        return false;
    }
    const File placed = NtOpen(get(), to, FILE_READ_ATTRIBUTES, kAnyShare, FILE_OPEN, 0, nullptr, error);
    if (placed && IsSameEntry(item, placed.get())) return true;
    error = ERROR_CANT_ACCESS_FILE;
    return false;
}

bool DeleteByHandle(HANDLE item, DWORD& error) {
    FILE_DISPOSITION_INFO gone = {TRUE};
    if (::SetFileInformationByHandle(item, FileDispositionInfo, &gone, sizeof gone)) return true;
    error = ::GetLastError();
    return false;
}

bool ListEntries(const Folder& folder, std::vector<ListedEntry>& entries) { return ListIn(folder.get(), entries); }

bool EmptyFolder(const Folder& folder) {
    std::vector<ListedEntry> entries;
    if (!ListIn(folder.get(), entries)) return false;
    bool all = true;
    for (const ListedEntry& entry : entries) all = folder.Remove(entry.name) && all;
    return all;
}

}  // namespace win
