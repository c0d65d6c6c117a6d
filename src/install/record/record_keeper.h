#pragma once
// Listens to an installation and keeps its install record: what it wrote, created and
// deleted, with the state of every registry value before it was written. Saved into the
// program folder at the end of a successful installation, merged with the record of an
// earlier installation there.
#include <string>

#include "install/record/install_record.h"
#include "install/journal.h"
#include "win/folder_handle.h"

class RecordKeeper : public InstallJournal {
public:
    void FolderCreated(const std::wstring& path) override;
    void FileWritten(const std::wstring& relative, uint64_t size, uint32_t crc) override;
    void LinkSaved(const std::wstring& path) override;
    void SettingsFileCreated(const std::wstring& path) override;
    void RedirectFileCreated(const std::wstring& path) override;
    void KeyCreated(reg::Root root, const std::wstring& key) override;
    void KeyDeleted(reg::Root root, const std::wstring& key, const reg::HeldValues& values) override;
    void ValueWritten(reg::Root root, const std::wstring& key, const std::wstring& name, const reg::ValueState& before,
                      const reg::ValueState& written) override;

    // Writes the record, merged over a readable earlier record, into a temporary file in the
    // program folder; false (with the Win32 error) when it could not be written.
    bool Prepare(const std::wstring& programFolder, DWORD& error);
    // Puts it in place as "<programFolder>lm_install.rec"; false (with the error) when it cannot.
    bool PutInPlace(const std::wstring& programFolder, DWORD& error);
    // The digest of what Prepare wrote (record_digest.h).
    const std::wstring& digest() const { return m_digest; }

private:
    record::InstallRecord m_record;
    std::vector<std::wstring> m_redirectFiles;  // sized and checked when saved
    std::wstring m_digest;
    win::Folder m_folder;  // the program folder, and the record's temporary file in it, held
    win::File m_temp;      // from its writing to its rename
};
