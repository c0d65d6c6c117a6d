#pragma once
// The transaction log's text read back into what it names (the layout is in transaction.h).
// Pure: reading the text asks nothing of the system.
#include <string>
#include <vector>

#include "install/registry/registry_ops.h"

namespace txn {

constexpr char kLogHeader[] = "Lumiscope transaction 1";

enum class LogKind { Folder, Tree, Replace, Aside, Backup, Key, Value, Deleted };

struct LogAction {
    LogKind kind = LogKind::Folder;
    std::wstring path;  // folders and files
    bool existed = false;
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key;
    std::wstring name;
    reg::ValueState before;
    reg::ValueState written;
    reg::HeldValues held;
};

struct ParsedLog {
    std::wstring programFolder;
    std::wstring process;
    bool committed = false;
    std::wstring recordDigest;  // of the record the committed run put in place; empty in older logs
    std::vector<LogAction> actions;
};

// What the log names, up to the first line that does not read (nothing after it is trusted).
ParsedLog ParseLog(const std::string& text);

// Whether the log says this run made the backup of `path` (a "backup" line).
bool MadeBackup(const ParsedLog& log, const std::wstring& path);

}  // namespace txn
