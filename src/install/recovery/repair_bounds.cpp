#include "install/recovery/repair_bounds.h"

#include <algorithm>

#include "install/install_places.h"
#include "install/links/shortcuts.h"
#include "install/recovery/pending_rename_rules.h"
#include "install/registry/registration_places.h"
#include "win/path_text.h"

namespace txn {
namespace {

constexpr wchar_t kSettingsName[] = L"lu_scp64.ini";
constexpr wchar_t kSettingsCopyName[] = L"lu_scp64.ini.bak";  // kept beside a file that is no text

// A plain absolute path below the program folder, never the folder itself.
bool IsInsideProgram(const ParsedLog& log, const std::wstring& path) {
    const int depth = win::PlainPathDepth(log.programFolder);
    return depth >= 1 && win::PlainPathDepth(path) > depth && win::IsSameOrInside(log.programFolder, path);
}

bool IsFileInBounds(const ParsedLog& log, const std::wstring& path) {
    if (IsInsideProgram(log, path)) return true;
    if (win::PlainPathDepth(path) < 1) return false;
    const std::wstring name = win::LastName(path);
    return IsProductLinkPath(path) || IsEarlierGroupLinkPath(path) || win::EqualsNoCase(name, kSettingsName) ||
           win::EqualsNoCase(name, kSettingsCopyName);
}

bool IsFileAction(const LogAction& a) {
    return a.kind == LogKind::Replace || a.kind == LogKind::Aside || a.kind == LogKind::Backup;
}

// A folder a run makes: the program folder and the levels above it and below it, the levels
// above a link or settings file the log names within the bounds, and the levels at the end of
// the log (a run ended between making a folder and announcing the file it was made for). A
// folder outside the program folder only ever goes when it is empty. A level that is no plain
// folder (the drive of a folder on a missing drive) is never acted on, wherever it is.
bool IsFolderInBounds(const ParsedLog& log, std::vector<LogAction>::const_iterator at) {
    const std::wstring& folder = at->path;
    if (win::PlainPathDepth(folder) < 1) return true;
    if (IsAroundProgram(log, folder)) return true;
    const auto isFolder = [](const LogAction& a) { return a.kind == LogKind::Folder; };
    return std::all_of(at, log.actions.end(), isFolder) ||
           std::any_of(log.actions.begin(), log.actions.end(), [&](const LogAction& a) {
               return IsFileAction(a) && IsFileInBounds(log, a.path) && win::IsSameOrInside(folder, a.path) &&
                      !win::IsSameOrInside(a.path, folder);
           });
}

// The restart's pending renames: an installation takes its own files out of them, written ahead.
// A user's run never touches them.
bool IsPendingRenames(const LogAction& a) {
    return Places().restartDeletes && a.root == reg::Root::LocalMachine && win::EqualsNoCase(a.key, kSessionManagerKey) &&
           win::EqualsNoCase(a.name, kPendingValue);
}

bool IsInBounds(const ParsedLog& log, std::vector<LogAction>::const_iterator at, const reg::RegistrationPlaces& places) {
    const LogAction& a = *at;
    switch (a.kind) {
        case LogKind::Folder: return IsFolderInBounds(log, at);
        case LogKind::Tree: return IsInsideProgram(log, a.path);
        case LogKind::Replace:
        case LogKind::Aside:
        case LogKind::Backup: return IsFileInBounds(log, a.path);
        case LogKind::Key: return places.HoldsKey(a.root, a.key);
        case LogKind::Value: return places.HoldsValue(a.root, a.key, a.name) || IsPendingRenames(a);
        case LogKind::Deleted: return places.HoldsDeletedKey(a.root, a.key);
    }
    return false;
}

const wchar_t* Word(LogKind kind) {
    switch (kind) {
        case LogKind::Folder: return L"folder";
        case LogKind::Tree: return L"tree";
        case LogKind::Replace: return L"replace";
        case LogKind::Aside: return L"aside";
        case LogKind::Backup: return L"backup";
        case LogKind::Key: return L"key";
        case LogKind::Value: return L"value";
        case LogKind::Deleted: return L"deleted";
    }
    return L"";
}

bool IsRegistryAction(LogKind kind) { return kind == LogKind::Key || kind == LogKind::Value || kind == LogKind::Deleted; }

}  // namespace

// A program folder that is no plain path (a run refused before it made anything) holds
// nothing, and has nothing around it.
bool IsAroundProgram(const ParsedLog& log, const std::wstring& folder) {
    return win::PlainPathDepth(log.programFolder) >= 1 &&
           (win::IsSameOrInside(log.programFolder, folder) || win::IsSameOrInside(folder, log.programFolder));
}

std::vector<std::wstring> OutsideBounds(const ParsedLog& log) {
    std::vector<std::wstring> outside;
    const reg::RegistrationPlaces places(Places());
    for (auto at = log.actions.begin(); at != log.actions.end(); ++at) {
        if (IsInBounds(log, at, places)) continue;
        const LogAction& a = *at;
        std::wstring what = IsRegistryAction(a.kind) ? reg::CanonicalKey(a.root, a.key) : a.path;
        if (a.kind == LogKind::Value) what += L" \"" + a.name + L"\"";
        outside.push_back(std::wstring(L"outside the product's places: ") + Word(a.kind) + L" " + what);
    }
    return outside;
}

}  // namespace txn
