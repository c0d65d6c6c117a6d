#pragma once
// One installation as a transaction. Before the engine changes anything it tells the journal
// what it is about to change; the transaction writes that ahead into its log (with the state
// before of every registry value), so that a run that fails, or is ended from outside at any
// point, can be taken back: by this run at once, or by the next run of the setup or the
// uninstaller (RepairInterruptedInstallation). Files are replaced by renames that keep the old
// ones until Complete; the install record is the commit point.
//
// The log's text, one item per line in the record's text form:
//   Lumiscope transaction 1
//   program  <program folder>      process <id>
//   tree     <path>                a folder about to be made beside its place, as "<path>.lm-new"
//   folder   <path>                a folder about to be made
//   replace  <path>  <0|1>         a file about to be made or replaced (1: it existed)
//   aside    <path>                a file about to be set aside (it goes on completion)
//   backup   <path>                the run made "<path>.lm-old" (only such a backup comes back)
//   key      <root>  <key>         a registry key about to be made (and what goes below it)
//   value    <root>  <key>  <name>  <before>  <written>   (in a key that was there)
//   deleted  <root>  <key>         a key about to be deleted, then one line per value it held:
//   held     <name>  <data>
//   commit   <digest>              the record with that SHA-256 is being put in place: go
//                                  forward, not back (a repair then keeps its proof)
#include <set>
#include <string>
#include <vector>

#include "install/journal.h"
#include "install/recovery/transaction_log.h"

namespace txn {

class Transaction : public InstallJournal {
public:
    // Starts the log for an installation into `programFolder`. False when it cannot be kept
    // (the installation may still go on; it can then only be taken back by this run).
    bool Begin(const std::wstring& programFolder);
    // The same with the log in memory only: this run can take back what it did, a later run
    // cannot (for unpacking outside an installation).
    void BeginInMemory(const std::wstring& programFolder);
    // The installation goes into this folder after all (as it was made: blanks of a level gone).
    void Retarget(const std::wstring& programFolder);

    void WillCreateFolder(const std::wstring& path) override;
    void WillCreateFolders(const std::vector<PlannedFolder>& folders) override;
    void WillReplaceFiles(const std::vector<PlannedFile>& files) override;
    void WillSetAside(const std::wstring& path) override;
    void WillCreateKey(reg::Root root, const std::wstring& key) override;
    void WillWriteValue(reg::Root root, const std::wstring& key, const std::wstring& name, const reg::ValueState& before,
                        const reg::ValueState& written) override;
    void WillDeleteKey(reg::Root root, const std::wstring& key, const reg::HeldValues& values) override;
    // Written after the backup exists: a repair brings back only backups the log names.
    void BackupMade(const std::wstring& path) override;
    void FolderCreated(const std::wstring& path) override;

    // The record is about to be put in place: from here on the installation is completed, not
    // taken back.
    void Commit(const std::wstring& recordDigest = std::wstring());
    // Backups and the log go. What could not be removed is noted in the journal.
    void Complete();
    // Takes back everything this run changed, and the log goes.
    void RollBack();

private:
    void Write(const std::string& lines);
    std::string m_text;
    std::wstring m_programFolder;
    std::vector<std::wstring> m_backups;  // this run's, so that completing it need not look
    std::set<std::wstring> m_made;        // upper case: the folders this run made
    TransactionLog m_log;
};

}  // namespace txn
