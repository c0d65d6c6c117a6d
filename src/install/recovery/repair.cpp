#include "install/recovery/repair.h"

#include <windows.h>
#include <shlobj.h>

#include "install/install_places.h"
#include "install/record/record_file.h"
#include "install/record/record_proof.h"
#include "install/recovery/replaced_file.h"
#include "install/recovery/repair_bounds.h"
#include "install/recovery/transaction_log.h"
#include "install/registry/registration_places.h"
#include "install/registry/registry_undo.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace txn {
namespace {

constexpr int kDeepestKey = 8;  // deeper than any key the tables write below a created one
constexpr DWORD kKeyNameChars = 256;
constexpr DWORD kValueNameChars = 16384;

// Whether everything below `key` (values and subkeys, to any depth) is a place the setup's
// tables write. A key the log says a run made is removed whole only then: whatever else is in
// it was never the run's.
bool HoldsOnlyTablePlaces(reg::Root root, const std::wstring& key, const reg::RegistrationPlaces& places, int depth) {
    HKEY raw = nullptr;
    const LONG rc = ::RegOpenKeyExW(reg::RootKey(root), key.c_str(), 0, KEY_READ, &raw);
    if (rc != ERROR_SUCCESS) return rc == ERROR_FILE_NOT_FOUND;
    win::RegKey open(raw);
    std::wstring name(kValueNameChars, L'\0');
    for (DWORD i = 0;; ++i) {
        DWORD chars = kValueNameChars;
        const LONG got = ::RegEnumValueW(open.get(), i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (got == ERROR_NO_MORE_ITEMS) break;
        if (got != ERROR_SUCCESS || !places.HoldsValue(root, key, name.substr(0, chars))) return false;
    }
    for (DWORD i = 0;; ++i) {
        DWORD chars = kKeyNameChars;
        const LONG got = ::RegEnumKeyExW(open.get(), i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (got == ERROR_NO_MORE_ITEMS) break;
        const std::wstring sub = key + L"\\" + name.substr(0, chars);
        if (got != ERROR_SUCCESS || depth >= kDeepestKey || !places.HoldsKey(root, sub) ||
            !HoldsOnlyTablePlaces(root, sub, places, depth + 1))
            return false;
    }
    return true;
}

reg::UndoResult RemoveMadeKey(const LogAction& a, const reg::RegistrationPlaces& places) {
    // A key that did not exist before the run holds nothing but what the run put there (no
    // other run could write meanwhile), and the product's own keys are its alone.
    if (reg::IsProductKey(a.root, a.key) || HoldsOnlyTablePlaces(a.root, a.key, places, 0))
        return reg::RemoveKeyTree(a.root, a.key);
    return reg::RemoveKeyIfEmpty(a.root, a.key);
}

bool HasProgramFolder(const ParsedLog& log) { return win::PlainPathDepth(log.programFolder) >= 1; }

// Takes back one action; empty, or why it could not be.
std::wstring TakeBackAction(const ParsedLog& log, const LogAction& a, const reg::RegistrationPlaces& places,
                            const std::set<std::wstring>* made) {
    reg::UndoResult result;
    switch (a.kind) {
        case LogKind::Value: result = reg::PutValueBack(a.root, a.key, a.name, a.before, a.written); break;
        case LogKind::Deleted:
            if (reg::IsUserChoiceKey(a.root, a.key)) return std::wstring();  // Windows guards these
            result = reg::RecreateKey(a.root, a.key, a.held);
            break;
        case LogKind::Key: result = RemoveMadeKey(a, places); break;
        case LogKind::Replace:
        case LogKind::Aside:
            return TakeBack(a.path, a.kind == LogKind::Aside || a.existed, MadeBackup(log, a.path), log.programFolder)
                       ? std::wstring()
                       : L"not put back: " + a.path;
        case LogKind::Backup: return std::wstring();  // read with its file's line
        case LogKind::Tree:
            if (made && !made->count(win::UpperCase(a.path))) return std::wstring();
            RemoveStagedTree(a.path);
            return std::wstring();
        case LogKind::Folder:
            // A folder of the program that still holds a file going at the restart (the
            // uninstaller that repairs) goes after it; one that holds something of someone
            // else's stays then too. A drive or a share is no folder a run made.
            if (win::PlainPathDepth(a.path) < 1 || (made && !made->count(win::UpperCase(a.path)))) return std::wstring();
            if (!RemoveFolderIfEmpty(a.path) && IsAroundProgram(log, a.path) && Places().restartDeletes)
                ::MoveFileExW(a.path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return std::wstring();
    }
    if (result.what == reg::Undone::LeftNotEmpty)
        return L"kept, it holds what no installation wrote: " + reg::KeyText(a.root, a.key);
    if (result.what != reg::Undone::Failed) return std::wstring();
    return win::Format(L"not put back: %s \"%s\" (Win32 error %lu)", reg::KeyText(a.root, a.key).c_str(), a.name.c_str(),
                       result.error);
}

std::vector<std::wstring> RollBack(const ParsedLog& log, const std::set<std::wstring>* made = nullptr) {
    std::vector<std::wstring> failures;
    const reg::RegistrationPlaces places(Places());
    bool registry = false;
    for (auto a = log.actions.rbegin(); a != log.actions.rend(); ++a) {
        registry = registry || a->kind == LogKind::Key || a->kind == LogKind::Value || a->kind == LogKind::Deleted;
        const std::wstring failure = TakeBackAction(log, *a, places, made);
        if (!failure.empty()) failures.push_back(failure);
    }
    if (HasProgramFolder(log)) Remove(record::RecordTempPathIn(log.programFolder), log.programFolder);
    if (registry) ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    return failures;
}

std::vector<std::wstring> Complete(const ParsedLog& log) {
    std::vector<std::wstring> failures;
    if (HasProgramFolder(log)) {
        const std::wstring temp = record::RecordTempPathIn(log.programFolder);
        const std::wstring record = record::RecordPathIn(log.programFolder);
        DWORD error = 0;
        if (!RenameInFolder(temp, record, error) && !win::IsNotFound(error))
            failures.push_back(win::Format(L"record not put in place: %s (Win32 error %lu)", record.c_str(), error));
        // The digest comes from the log, which only administrators may write: a record rewritten
        // meanwhile does not match it.
        if (!log.recordDigest.empty() && !record::KeepProof(log.recordDigest, error))
            failures.push_back(win::Format(L"the record's proof is not kept (Win32 error %lu)", error));
    }
    // Only the backups the run made go; a file of that name it did not make is not its to drop.
    for (const LogAction& a : log.actions)
        if (a.kind == LogKind::Backup) Forget(a.path, log.programFolder);
        else if (a.kind == LogKind::Replace || a.kind == LogKind::Aside) Remove(StagedPath(a.path), log.programFolder);
    return failures;
}

// The log's items outside the bounds, with what happens to it.
RepairResult Refuse(std::vector<std::wstring> outside) {
    RepairResult result;
    result.refused = true;
    result.lines = std::move(outside);
    result.lines.push_back(L"nothing of it was done; the log stays for an administrator: " + Places().logKeyText);
    return result;
}

}  // namespace

RepairResult RollBackFromLog(const std::string& text, const std::set<std::wstring>* made) {
    const ParsedLog log = ParseLog(text);
    std::vector<std::wstring> outside = OutsideBounds(log);
    if (!outside.empty()) return Refuse(std::move(outside));
    RepairResult result;
    result.lines = RollBack(log, made);
    return result;
}

RepairResult RepairInterruptedInstallation() {
    std::string text;
    if (!TransactionLog::Find(text)) return {};
    const ParsedLog log = ParseLog(text);
    const std::wstring interrupted =
        win::Format(L"an installation into %s (process %s) was interrupted", log.programFolder.c_str(), log.process.c_str());
    std::vector<std::wstring> outside = OutsideBounds(log);
    if (!outside.empty()) {
        RepairResult result = Refuse(std::move(outside));
        result.lines.insert(result.lines.begin(), interrupted + L": its log names places that are not the product's");
        return result;
    }
    RepairResult result;
    result.lines = {interrupted + (log.committed ? L": it is completed" : L": what it changed is taken back")};
    const std::vector<std::wstring> failures = log.committed ? Complete(log) : RollBack(log);
    result.lines.insert(result.lines.end(), failures.begin(), failures.end());
    TransactionLog::EraseFound();
    return result;
}

}  // namespace txn
