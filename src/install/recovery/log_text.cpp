#include "install/recovery/log_text.h"

#include <algorithm>

#include "install/record/record_digest.h"
#include "install/record/record_text.h"
#include "win/path_text.h"
#include "win/text.h"

namespace txn {
namespace {

bool ParsePath(const std::vector<std::string>& f, size_t count, LogKind kind, LogAction& a) {
    a.kind = kind;
    return f.size() == count && record::Unescape(f[1], a.path);
}

bool ParseLine(const std::vector<std::string>& f, ParsedLog& log) {
    const std::string& word = f[0];
    LogAction a;
    bool ok = false;
    if (word == "program") return f.size() == 4 && record::Unescape(f[1], log.programFolder) &&
                                   !(log.process = win::Format(L"%hs", f[3].c_str())).empty();
    if (word == "folder") ok = ParsePath(f, 2, LogKind::Folder, a);
    else if (word == "tree") ok = ParsePath(f, 2, LogKind::Tree, a);
    else if (word == "aside") ok = ParsePath(f, 2, LogKind::Aside, a);
    else if (word == "backup") ok = ParsePath(f, 2, LogKind::Backup, a);
    else if (word == "replace") ok = ParsePath(f, 3, LogKind::Replace, a) && (a.existed = f[2] == "1", true);
    else if (word == "key" || word == "deleted") {
        a.kind = word == "key" ? LogKind::Key : LogKind::Deleted;
        ok = f.size() == 3 && record::ParseRoot(f[1], a.root) && record::Unescape(f[2], a.key);
    } else if (word == "value") {
        a.kind = LogKind::Value;
        ok = f.size() == 6 && record::ParseRoot(f[1], a.root) && record::Unescape(f[2], a.key) &&
             record::Unescape(f[3], a.name) && record::ParseData(f[4], a.before) && record::ParseData(f[5], a.written);
    } else if (word == "held") {
        std::wstring name;
        reg::ValueState data;
        if (log.actions.empty() || log.actions.back().kind != LogKind::Deleted || f.size() != 3 ||
            !record::Unescape(f[1], name) || !record::ParseData(f[2], data))
            return false;
        log.actions.back().held.emplace_back(name, data);
        return true;
    } else if (word == "commit") {
        // Logs of earlier versions commit without the record's digest.
        log.committed = true;
        if (f.size() == 2 && record::IsDigestText(f[1])) log.recordDigest.assign(f[1].begin(), f[1].end());
        return f.size() == 1 || !log.recordDigest.empty();
    }
    if (ok) log.actions.push_back(a);
    return ok;
}

}  // namespace

ParsedLog ParseLog(const std::string& text) {
    ParsedLog log;
    const std::vector<std::string> lines = record::SplitLines(text);
    if (lines.empty() || lines[0] != kLogHeader) return log;
    for (size_t i = 1; i < lines.size(); ++i)
        if (!ParseLine(record::SplitFields(lines[i]), log)) break;
    return log;
}

bool MadeBackup(const ParsedLog& log, const std::wstring& path) {
    return std::any_of(log.actions.begin(), log.actions.end(), [&](const LogAction& a) {
        return a.kind == LogKind::Backup && win::EqualsNoCase(a.path, path);
    });
}

}  // namespace txn
