#include "uninstall/file_ops.h"

#include <shlobj.h>
#include <zlib.h>

#include "install/recovery/replaced_file.h"
#include "install/settings/ini_text.h"
#include "install/settings/settings_io.h"
#include "uninstall/undo_rules.h"
#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace undo {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

Outcome Fail(Verdict verdict, DWORD error) { return Outcome{verdict, error}; }

bool ReadCrc(HANDLE file, uint32_t& crc) {
    std::vector<Bytef> buffer(kReadChunk);
    uLong sum = ::crc32(0L, Z_NULL, 0);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), kReadChunk, &got, nullptr)) return false;
        if (got == 0) break;
        sum = ::crc32(sum, buffer.data(), got);
    }
    crc = static_cast<uint32_t>(sum);
    return true;
}

// The entry at `path`, opened through its folder, which must be reached as named: neither
// the folder nor the name may lead elsewhere (ERROR_CANT_ACCESS_FILE then, or for a folder or
// link at the name).
win::File OpenOwnEntry(const std::wstring& path, ACCESS_MASK access, DWORD share, DWORD& error, bool folder = false) {
    const win::Folder parent = win::Folder::Open(win::ParentPath(path), error);
    win::File entry = parent ? parent.OpenEntry(win::LastName(path), error, access, share) : win::File();
    if (!entry) return entry;
    const DWORD attributes = win::AttributesOf(entry.get());
    const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || isFolder != folder) {
        error = ERROR_CANT_ACCESS_FILE;
        return win::File();
    }
    return entry;
}

bool MarkForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

}  // namespace

Outcome UndoRecordedFile(const std::wstring& path, const record::RecordedFile& recorded, bool checkOnly) {
    FoundFile found;
    DWORD error = 0;
    // Others may read along, but nobody may write or delete while the file is compared.
    const DWORD access = GENERIC_READ | (checkOnly ? 0 : DELETE);
    win::File file = OpenOwnEntry(path, access, FILE_SHARE_READ | (checkOnly ? FILE_SHARE_DELETE : 0), error);
    if (!file && win::IsNotFound(error)) return {DecideFile(recorded, found), 0};
    found.exists = true;
    if (!file && error == ERROR_CANT_ACCESS_FILE) return {DecideFile(recorded, found), 0};  // no plain file of ours
    if (!file) return Fail(Verdict::InUse, error);
    found.plainFile = true;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return Fail(Verdict::Failed, ::GetLastError());
    found.size = static_cast<uint64_t>(size.QuadPart);
    if (found.size != recorded.size) return {DecideFile(recorded, found), 0};
    if (!ReadCrc(file.get(), found.crc)) return Fail(Verdict::InUse, ::GetLastError());
    const Verdict verdict = DecideFile(recorded, found);
    if (verdict != Verdict::Removed || checkOnly) return {verdict, 0};
    if (!MarkForDeletion(file.get())) return Fail(Verdict::InUse, ::GetLastError());
    return {Verdict::Removed, 0};
}

Outcome DeleteOwnFile(const std::wstring& path) {
    DWORD error = 0;
    win::File file = OpenOwnEntry(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, error);
    if (!file && win::IsNotFound(error)) return {Verdict::AlreadyGone, 0};
    if (!file && error == ERROR_CANT_ACCESS_FILE) return {Verdict::Changed, 0};
    if (!file || !MarkForDeletion(file.get())) return Fail(Verdict::InUse, file ? ::GetLastError() : error);
    return {Verdict::Removed, 0};
}

Outcome RemoveAtRestart(const std::wstring& path) {
    if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return {Verdict::Scheduled, 0};
    return Fail(Verdict::Failed, ::GetLastError());
}

Outcome MoveToTemp(const std::wstring& path) {
    DWORD error = 0;
    win::File file = OpenOwnEntry(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, error);
    if (!file) return win::IsNotFound(error) ? Outcome{Verdict::AlreadyGone, 0} : Fail(Verdict::Failed, error);
    if (txn::MoveToTemp(file.get(), win::LastName(path), error)) return {Verdict::Removed, 0};
    return Fail(Verdict::Failed, error);
}

Outcome RemoveFolderIfEmpty(const std::wstring& path) {
    DWORD error = 0;
    win::File folder = OpenOwnEntry(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, error, true);
    if (!folder && win::IsNotFound(error)) return {Verdict::AlreadyGone, 0};
    // A folder that has become a file or a link to elsewhere is not the one the installation made.
    if (!folder && error == ERROR_CANT_ACCESS_FILE) return {Verdict::LeftChanged, 0};
    if (folder && MarkForDeletion(folder.get())) return {Verdict::Removed, 0};
    if (folder) error = ::GetLastError();
    if (error == ERROR_DIR_NOT_EMPTY) return {Verdict::LeftNotEmpty, 0};
    return Fail(Verdict::InUse, error);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> entries;
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW data;
    win::FindHandle search(::FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                              nullptr, 0));
    if (!search) return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") entries.push_back(base + name);
    } while (::FindNextFileW(search.get(), &data));
    return entries;
}


bool IsSettingsRedirect(const std::wstring& settingsFile) {
    SettingsPlace place;
    std::string bytes;
    bool exists = false;
    DWORD error = 0;
    if (!OpenSettingsPlace(settingsFile, place, error) || !ReadSettingsBytes(place, bytes, exists, error)) return false;
    return !IniValue(DecodeSettingsText(bytes, DetectIniEncoding(bytes)), L"Others", L"INI_Folder").empty();
}

std::wstring LinkTarget(const std::wstring& link) {
    win::ComInit com;
    win::ComPtr<IShellLinkW> shellLink;
    win::ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.put())) ||
        FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put())) || FAILED(file->Load(link.c_str(), STGM_READ)))
        return std::wstring();
    std::vector<wchar_t> target(32768, L'\0');
    if (FAILED(shellLink->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_RAWPATH)))
        return std::wstring();
    return target.data();
}

}  // namespace undo
