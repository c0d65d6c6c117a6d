#include "install/record/record_file.h"

#include <windows.h>

#include "install/record/record_digest.h"
#include "install/record/record_proof.h"
#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace record {
namespace {

std::wstring LongPath(const std::wstring& path) {
    DWORD n = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    DWORD got = ::GetLongPathNameW(path.c_str(), full.data(), n);
    if (got == 0 || got >= n) return path;
    full.resize(got);
    return full;
}

// Read through the program folder's handle: a record that is a link, or in a folder reached
// through one, is not read (Damaged).
RecordState ReadAll(const std::wstring& path, std::string& bytes) {
    DWORD error = 0;
    const win::Folder folder = win::Folder::Open(win::ParentPath(path), error);
    const win::File file = folder ? folder.OpenFile(win::LastName(path), GENERIC_READ, FILE_SHARE_READ, error) : win::File();
    if (!file) return win::IsNotFound(error) ? RecordState::Missing : RecordState::Damaged;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxRecordBytes) return RecordState::Damaged;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return RecordState::Damaged;
    return RecordState::Found;
}

}  // namespace

std::wstring RecordPathIn(const std::wstring& programFolder) {
    std::wstring path = programFolder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + kRecordFileName;
}

bool IsSameFolder(const std::wstring& a, const std::wstring& b) {
    return win::EqualsNoCase(win::WithoutTrailingBackslash(LongPath(a)), win::WithoutTrailingBackslash(LongPath(b)));
}

std::wstring RecordTempPathIn(const std::wstring& programFolder) {
    std::wstring path = programFolder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + kRecordTempName;
}

RecordState LoadRecord(const std::wstring& programFolder, InstallRecord& r) {
    std::string bytes;
    const RecordState state = ReadAll(RecordPathIn(programFolder), bytes);
    if (state != RecordState::Found) return state;
    if (!ParseRecord(bytes, r) || !IsRecordSafe(r) || !IsSameFolder(r.programFolder, programFolder))
        return RecordState::Damaged;
    if (IsProven(DigestOf(bytes), ReadProof(), IsInProgramFiles(programFolder))) return RecordState::Found;
    r = ProductPart(r);
    return RecordState::Unproven;
}

}  // namespace record
