#include "install/recovery/repair.h"

#include <windows.h>
#include <shlobj.h>

#include "install/record/record_file.h"
#include "install/record/record_text.h"
#include "install/recovery/replaced_file.h"
#include "install/recovery/transaction_log.h"
#include "install/registry/registry_undo.h"
#include "win/path_text.h"
#include "win/text.h"

namespace txn {
namespace {

enum class Kind { Folder, Tree, Replace, Aside, Key, Value, Deleted };

struct Action {
    Kind kind = Kind::Folder;
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
    std::vector<Action> actions;
};

bool ParsePath(const std::vector<std::string>& f, size_t count, Kind kind, Action& a) {
    a.kind = kind;
    return f.size() == count && record::Unescape(f[1], a.path);
}

bool ParseLine(const std::vector<std::string>& f, ParsedLog& log) {
    const std::string& word = f[0];
    Action a;
    bool ok = false;
    if (word == "program") return f.size() == 4 && record::Unescape(f[1], log.programFolder) &&
                                   !(log.process = win::Format(L"%hs", f[3].c_str())).empty();
    if (word == "folder") ok = ParsePath(f, 2, Kind::Folder, a);
    else if (word == "tree") ok = ParsePath(f, 2, Kind::Tree, a);
    else if (word == "aside") ok = ParsePath(f, 2, Kind::Aside, a);
    else if (word == "replace") ok = ParsePath(f, 3, Kind::Replace, a) && (a.existed = f[2] == "1", true);
    else if (word == "key" || word == "deleted") {
        a.kind = word == "key" ? Kind::Key : Kind::Deleted;
        ok = f.size() == 3 && record::ParseRoot(f[1], a.root) && record::Unescape(f[2], a.key);
    } else if (word == "value") {
        a.kind = Kind::Value;
        ok = f.size() == 6 && record::ParseRoot(f[1], a.root) && record::Unescape(f[2], a.key) &&
             record::Unescape(f[3], a.name) && record::ParseData(f[4], a.before) && record::ParseData(f[5], a.written);
    } else if (word == "held") {
        std::wstring name;
        reg::ValueState data;
        if (log.actions.empty() || log.actions.back().kind != Kind::Deleted || f.size() != 3 ||
            !record::Unescape(f[1], name) || !record::ParseData(f[2], data))
            return false;
        log.actions.back().held.emplace_back(name, data);
        return true;
    } else if (word == "commit") {
        log.committed = true;
        return f.size() == 1;
    }
    if (ok) log.actions.push_back(a);
    return ok;
}

// What the log names, up to the first line that does not read (nothing after it is trusted).
ParsedLog Parse(const std::string& text) {
    ParsedLog log;
    const std::vector<std::string> lines = record::SplitLines(text);
    if (lines.empty() || lines[0] != kLogHeader) return log;
    for (size_t i = 1; i < lines.size(); ++i)
        if (!ParseLine(record::SplitFields(lines[i]), log)) break;
    return log;
}

// Takes back one action; empty, or why it could not be.
std::wstring TakeBackAction(const Action& a, const std::set<std::wstring>* made) {
    reg::UndoResult result;
    switch (a.kind) {
        case Kind::Value: result = reg::PutValueBack(a.root, a.key, a.name, a.before, a.written); break;
        case Kind::Deleted:
            if (reg::IsUserChoiceKey(a.root, a.key)) return std::wstring();  // Windows guards these
            result = reg::RecreateKey(a.root, a.key, a.held);
            break;
        case Kind::Key:
            // A key that did not exist before the run holds nothing but what the run put there
            // (no other run could write meanwhile): it goes whole.
            result = reg::RemoveKeyTree(a.root, a.key);
            break;
        case Kind::Replace:
        case Kind::Aside:
            return TakeBack(a.path, a.kind == Kind::Aside || a.existed) ? std::wstring() : L"not put back: " + a.path;
        case Kind::Tree:
            if (made && !made->count(win::UpperCase(a.path))) return std::wstring();
            RemoveStagedTree(a.path);
            return std::wstring();
        case Kind::Folder:
            if (made && !made->count(win::UpperCase(a.path))) return std::wstring();
            RemoveFolderIfEmpty(a.path);
            return std::wstring();
    }
    if (result.what != reg::Undone::Failed) return std::wstring();
    return win::Format(L"not put back: %s \"%s\" (Win32 error %lu)", reg::KeyText(a.root, a.key).c_str(), a.name.c_str(),
                       result.error);
}

std::vector<std::wstring> RollBack(const ParsedLog& log, const std::set<std::wstring>* made = nullptr) {
    std::vector<std::wstring> failures;
    bool registry = false;
    for (auto a = log.actions.rbegin(); a != log.actions.rend(); ++a) {
        registry = registry || a->kind == Kind::Key || a->kind == Kind::Value || a->kind == Kind::Deleted;
        const std::wstring failure = TakeBackAction(*a, made);
        if (!failure.empty()) failures.push_back(failure);
    }
    if (!log.programFolder.empty()) ::DeleteFileW(record::RecordTempPathIn(log.programFolder).c_str());
    if (registry) ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    return failures;
}

std::vector<std::wstring> Complete(const ParsedLog& log) {
    std::vector<std::wstring> failures;
    if (!log.programFolder.empty()) {
        const std::wstring temp = record::RecordTempPathIn(log.programFolder);
        const std::wstring record = record::RecordPathIn(log.programFolder);
        if (::GetFileAttributesW(temp.c_str()) != INVALID_FILE_ATTRIBUTES &&
            !::MoveFileExW(temp.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            failures.push_back(win::Format(L"record not put in place: %s (Win32 error %lu)", record.c_str(), ::GetLastError()));
    }
    for (const Action& a : log.actions)
        if (a.kind == Kind::Replace || a.kind == Kind::Aside) Forget(a.path);
    return failures;
}

}  // namespace

std::vector<std::wstring> RollBackFromLog(const std::string& text, const std::set<std::wstring>* made) {
    return RollBack(Parse(text), made);
}

std::vector<std::wstring> RepairInterruptedInstallation() {
    std::string text;
    reg::Root where = reg::Root::LocalMachine;
    if (!TransactionLog::Find(text, where)) return {};
    const ParsedLog log = Parse(text);
    std::vector<std::wstring> lines = {win::Format(
        L"an installation into %s (process %s) was interrupted: %s", log.programFolder.c_str(), log.process.c_str(),
        log.committed ? L"it is completed" : L"what it changed is taken back")};
    const std::vector<std::wstring> failures = log.committed ? Complete(log) : RollBack(log);
    lines.insert(lines.end(), failures.begin(), failures.end());
    TransactionLog::Erase(where);
    return lines;
}

}  // namespace txn
