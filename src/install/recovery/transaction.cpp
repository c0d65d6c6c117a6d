#include "install/recovery/transaction.h"

#include "install/record/record_text.h"
#include "install/recovery/log_text.h"
#include "install/recovery/repair.h"
#include "install/recovery/replaced_file.h"
#include "win/path_text.h"
#include "win/text.h"

namespace txn {

bool Transaction::Begin(const std::wstring& programFolder) {
    const bool kept = m_log.Create();
    BeginInMemory(programFolder);
    if (!kept) Journal().Note(L"setup", L"no transaction log could be kept: an interruption cannot be repaired later");
    return kept;
}

void Transaction::BeginInMemory(const std::wstring& programFolder) {
    m_text.clear();
    m_backups.clear();
    record::LineWriter line;
    line.m_text = std::string(kLogHeader) + "\r\n";
    Write(line.m_text);
    Retarget(programFolder);
}

void Transaction::Retarget(const std::wstring& programFolder) {
    m_programFolder = programFolder;
    record::LineWriter line;
    line.Word("program").Text(programFolder).Field("process").Field(std::to_string(::GetCurrentProcessId())).End();
    Write(line.m_text);
}

void Transaction::Write(const std::string& lines) {
    m_text += lines;
    // A refused piece leaves the later run less to repair; this run still knows it all.
    m_log.Append(lines);
}

void Transaction::WillCreateFolder(const std::wstring& path) {
    record::LineWriter line;
    line.Word("folder").Text(path).End();
    Write(line.m_text);
}

void Transaction::WillCreateFolders(const std::vector<PlannedFolder>& folders) {
    record::LineWriter lines;
    for (const PlannedFolder& folder : folders) {
        if (folder.staged) lines.Word("tree").Text(folder.path).End();
        lines.Word("folder").Text(folder.path).End();
    }
    Write(lines.m_text);
}

void Transaction::WillReplaceFiles(const std::vector<PlannedFile>& files) {
    record::LineWriter lines;
    for (const PlannedFile& file : files) lines.Word("replace").Text(file.path).Field(file.existed ? "1" : "0").End();
    Write(lines.m_text);
    // The payload's files are renamed next: a power cut must not leave them without their log.
    // A flush writes the whole hive, so a single link or settings file waits for the next one
    // (the system writes the registry out within seconds anyway).
    if (files.size() > 1) m_log.Flush();
}

void Transaction::WillSetAside(const std::wstring& path) {
    record::LineWriter line;
    line.Word("aside").Text(path).End();
    Write(line.m_text);
}

void Transaction::BackupMade(const std::wstring& path) {
    m_backups.push_back(path);
    record::LineWriter line;
    line.Word("backup").Text(path).End();
    Write(line.m_text);
}

void Transaction::WillCreateKey(reg::Root root, const std::wstring& key) {
    record::LineWriter line;
    line.Word("key").Key(root, key).End();
    Write(line.m_text);
}

void Transaction::WillWriteValue(reg::Root root, const std::wstring& key, const std::wstring& name,
                                 const reg::ValueState& before, const reg::ValueState& written) {
    record::LineWriter line;
    line.Word("value").Key(root, key).Text(name).Field(record::DataText(before)).Field(record::DataText(written)).End();
    Write(line.m_text);
}

void Transaction::WillDeleteKey(reg::Root root, const std::wstring& key, const reg::HeldValues& values) {
    record::LineWriter lines;
    lines.Word("deleted").Key(root, key).End();
    for (const auto& [name, state] : values) lines.Word("held").Text(name).Field(record::DataText(state)).End();
    Write(lines.m_text);
}

void Transaction::Commit(const std::wstring& recordDigest) {
    record::LineWriter line;
    line.Word("commit");
    if (!recordDigest.empty()) line.Text(recordDigest);
    line.End();
    Write(line.m_text);
    m_log.Flush();
}

// This run put every staged file in place or removed it, and knows which backups it made; a
// later run completing the log knows neither and looks at every file the log names.
void Transaction::Complete() {
    for (const std::wstring& path : m_backups) DropBackup(path, m_programFolder);
    m_backups.clear();
    m_log.Erase();
}

void Transaction::FolderCreated(const std::wstring& path) { m_made.insert(win::UpperCase(path)); }

void Transaction::RollBack() {
    const RepairResult result = RollBackFromLog(m_text, &m_made);
    for (const std::wstring& line : result.lines) Journal().Note(L"rollback", line);
    if (!result.refused) m_log.Erase();
}

}  // namespace txn
