#include "uninstall/file_ops.h"

#include <shlobj.h>
#include <zlib.h>

#include "uninstall/undo_rules.h"
#include "win/file_facts.h"
#include "win/unique_handle.h"

namespace undo {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;
constexpr DWORD kRedirectChars = 520;

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

// What is at `path` without following a link: exists, plain file, size.
bool Probe(const std::wstring& path, FoundFile& found, DWORD& error) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        error = ::GetLastError();
        return win::IsNotFound(error);
    }
    found.exists = true;
    found.plainFile = !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    found.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool MarkForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

}  // namespace

Outcome UndoRecordedFile(const std::wstring& path, const record::RecordedFile& recorded, bool checkOnly) {
    FoundFile found;
    DWORD error = 0;
    if (!Probe(path, found, error)) return Fail(Verdict::Failed, error);
    if (!found.exists || !found.plainFile || found.size != recorded.size) return {DecideFile(recorded, found), 0};

    // Others may read along, but nobody may write or delete while the file is compared.
    const DWORD access = GENERIC_READ | (checkOnly ? 0 : DELETE);
    win::File file(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | (checkOnly ? FILE_SHARE_DELETE : 0), nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error = ::GetLastError();
        return win::IsNotFound(error) ? Outcome{Verdict::AlreadyGone, 0} : Fail(Verdict::InUse, error);
    }
    if (!ReadCrc(file.get(), found.crc)) return Fail(Verdict::InUse, ::GetLastError());
    const Verdict verdict = DecideFile(recorded, found);
    if (verdict != Verdict::Removed || checkOnly) return {verdict, 0};
    if (!MarkForDeletion(file.get())) return Fail(Verdict::InUse, ::GetLastError());
    return {Verdict::Removed, 0};
}

Outcome DeleteOwnFile(const std::wstring& path) {
    FoundFile found;
    DWORD error = 0;
    if (!Probe(path, found, error)) return Fail(Verdict::Failed, error);
    if (!found.exists) return {Verdict::AlreadyGone, 0};
    if (!found.plainFile) return {Verdict::Changed, 0};
    if (!::DeleteFileW(path.c_str())) {
        error = ::GetLastError();
        return win::IsNotFound(error) ? Outcome{Verdict::AlreadyGone, 0} : Fail(Verdict::InUse, error);
    }
    return {Verdict::Removed, 0};
}

Outcome RemoveAtRestart(const std::wstring& path) {
    if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return {Verdict::Scheduled, 0};
    return Fail(Verdict::Failed, ::GetLastError());
}

Outcome RemoveFolderIfEmpty(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return win::IsNotFound(error) ? Outcome{Verdict::AlreadyGone, 0} : Fail(Verdict::Failed, error);
    }
    // A folder that has become a file or a link to elsewhere is not the one the installation made.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {Verdict::LeftChanged, 0};
    if (::RemoveDirectoryW(path.c_str())) return {Verdict::Removed, 0};
    const DWORD error = ::GetLastError();
    if (error == ERROR_DIR_NOT_EMPTY) return {Verdict::LeftNotEmpty, 0};
    return win::IsNotFound(error) ? Outcome{Verdict::AlreadyGone, 0} : Fail(Verdict::InUse, error);
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
    wchar_t folder[kRedirectChars] = {};
    ::GetPrivateProfileStringW(L"Others", L"INI_Folder", L"", folder, kRedirectChars, settingsFile.c_str());
    return folder[0] != L'\0';
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
