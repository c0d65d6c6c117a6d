#include "install/record_keeper.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>

#include "win/path_text.h"
#include "win/unique_handle.h"

namespace {

record::ValueData ToData(const reg::ValueState& state) {
    record::ValueData data;
    data.exists = state.exists;
    data.type = state.type;
    data.bytes = state.bytes;
    return data;
}

bool ReadFile(const std::wstring& path, std::string& bytes) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() || (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                             got == bytes.size());
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && ::FlushFileBuffers(file.get());
}

// An earlier installation's record, when one is there and can be trusted.
bool ReadEarlierRecord(const std::wstring& path, record::InstallRecord& earlier) {
    std::string text;
    return ReadFile(path, text) && record::ParseRecord(text, earlier) && record::IsRecordSafe(earlier);
}

}  // namespace

// Events are kept as they come; Save folds repeats the way an upgrade folds two records
// (the first "before" state of a value wins, the last write of a file).
void RecordKeeper::FolderCreated(const std::wstring& path) { m_record.createdFolders.push_back(path); }

void RecordKeeper::FileWritten(const std::wstring& relative, uint64_t size, uint32_t crc) {
    m_record.files.push_back(record::RecordedFile{relative, size, crc});
}

void RecordKeeper::LinkSaved(const std::wstring& path) { m_record.links.push_back(path); }

void RecordKeeper::SettingsFileCreated(const std::wstring& path) { m_record.settingsFiles.push_back(path); }

void RecordKeeper::RedirectFileCreated(const std::wstring& path) { m_redirectFiles.push_back(path); }

void RecordKeeper::KeyCreated(reg::Root root, const std::wstring& key) {
    m_record.createdKeys.push_back(record::RecordedKey{root, key});
}

void RecordKeeper::KeyDeleted(reg::Root root, const std::wstring& key, const reg::HeldValues& values) {
    record::DeletedKey deleted{root, key, {}};
    for (const auto& [name, state] : values) deleted.values.push_back(record::HeldValue{name, ToData(state)});
    m_record.deletedKeys.push_back(deleted);
}

void RecordKeeper::ValueWritten(reg::Root root, const std::wstring& key, const std::wstring& name,
                                const reg::ValueState& before, const reg::ValueState& written) {
    m_record.values.push_back(record::RecordedValue{root, key, name, ToData(before), ToData(written)});
}

bool RecordKeeper::Save(const std::wstring& programFolder, DWORD& error) {
    for (const std::wstring& path : m_redirectFiles) {
        std::string bytes;
        if (!ReadFile(path, bytes) || !win::IsSameOrInside(programFolder, path)) continue;
        uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
        FileWritten(path.substr(programFolder.size()), bytes.size(), crc);
    }
    const std::wstring path = programFolder + record::kRecordFileName;
    const std::wstring temp = programFolder + record::kRecordTempName;
    record::InstallRecord earlier;
    const bool hasEarlier = ReadEarlierRecord(path, earlier);
    if (!hasEarlier && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        Journal().Note(phase::kRecord, L"the earlier record cannot be read and is replaced: " + path);
    m_record.programFolder = programFolder;
    const record::InstallRecord current = record::MergeRecords(record::InstallRecord(), m_record);
    const record::InstallRecord merged = hasEarlier ? record::MergeRecords(earlier, current) : current;
    if (WriteNewFile(temp, record::FormatRecord(merged)) &&
        ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    error = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    return false;
}
