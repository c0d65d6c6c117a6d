#include "install/record/record_keeper.h"

#include <windows.h>
#include <zlib.h>


#include "install/record/record_digest.h"
#include "install/record/record_file.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace {

// A new file in the checked program folder, held open for its rename; invalid on failure.
win::File WriteNewFile(const win::Folder& folder, const std::wstring& name, const std::string& bytes, DWORD& error) {
    win::File file = folder ? folder.NewFile(name, error) : win::File();
    DWORD written = 0;
    if (file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && ::FlushFileBuffers(file.get()))
        return file;
    if (file) {
        error = ::GetLastError();
        win::DeleteByHandle(file.get(), error);
    }
    return win::File();
}

// The size and CRC-32 of a small file the installation wrote itself.
// Read through its folder's handle: a link there is not measured (and so not recorded).
bool MeasureFile(const std::wstring& path, uint64_t& size, uint32_t& crc) {
    DWORD error = 0;
    const win::Folder folder = win::Folder::Open(win::ParentPath(path), error);
    const win::File file = folder ? folder.OpenFile(win::LastName(path), GENERIC_READ, FILE_SHARE_READ, error) : win::File();
    LARGE_INTEGER length;
    if (!file || !::GetFileSizeEx(file.get(), &length) || length.QuadPart > (1 << 20)) return false;
    std::string bytes(static_cast<size_t>(length.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return false;
    size = bytes.size();
    crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    return true;
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
    for (const auto& [name, state] : values) deleted.values.push_back(record::HeldValue{name, state});
    m_record.deletedKeys.push_back(deleted);
}

void RecordKeeper::ValueWritten(reg::Root root, const std::wstring& key, const std::wstring& name,
                                const reg::ValueState& before, const reg::ValueState& written) {
    m_record.values.push_back(record::RecordedValue{root, key, name, before, written});
}

bool RecordKeeper::Prepare(const std::wstring& programFolder, DWORD& error) {
    for (const std::wstring& path : m_redirectFiles) {
        uint64_t size = 0;
        uint32_t crc = 0;
        if (win::IsSameOrInside(programFolder, path) && MeasureFile(path, size, crc))
            FileWritten(path.substr(programFolder.size()), size, crc);
    }
    const std::wstring path = record::RecordPathIn(programFolder);
    const std::wstring temp = record::RecordTempPathIn(programFolder);
    record::InstallRecord earlier;
    const record::RecordState state = record::LoadRecord(programFolder, earlier);
    const bool hasEarlier = state == record::RecordState::Found || state == record::RecordState::Unproven;
    if (state == record::RecordState::Damaged)
        Journal().Note(phase::kRecord, L"the earlier record cannot be read and is replaced: " + path);
    if (state == record::RecordState::Unproven)
        Journal().Note(phase::kRecord, L"the earlier record is not the one an administrator's run wrote: only its files, "
                                       L"links, folders in the program folder and the product's own keys are kept: " + path);
    m_record.programFolder = programFolder;
    const record::InstallRecord current = record::MergeRecords(record::InstallRecord(), m_record);
    const record::InstallRecord merged = hasEarlier ? record::MergeRecords(earlier, current) : current;
    const std::string text = record::FormatRecord(merged);
    m_digest = record::DigestOf(text);
    m_folder = win::Folder::Open(programFolder, error);
    m_temp = WriteNewFile(m_folder, win::LastName(temp), text, error);
    return static_cast<bool>(m_temp);
}

bool RecordKeeper::PutInPlace(const std::wstring& programFolder, DWORD& error) {
    const std::wstring temp = win::LastName(record::RecordTempPathIn(programFolder));
    if (m_temp && m_folder.Rename(m_temp.get(), temp, win::LastName(record::RecordPathIn(programFolder)), true, error)) {
        m_temp.reset();
        m_folder.reset();
        return true;
    }
    DWORD ignored = 0;
    if (m_temp) win::DeleteByHandle(m_temp.get(), ignored);
    m_temp.reset();
    return false;
}
