#pragma once
// The uninstaller's rules: given what the record says an installation did and what is found
// now, what to remove, put back, keep or leave alone, and in which order. Pure: the Win32
// calls that find and act live in undo.cpp and its helpers.
#include <cstdint>
#include <string>
#include <vector>

#include "install/record/install_record.h"
#include "install/registry/registry_undo.h"
#include "uninstall/undo_report.h"

namespace undo {

constexpr wchar_t kUninstallerName[] = L"lm_uninstall.exe";
constexpr wchar_t kSettingsName[] = L"lu_scp64.ini";
constexpr wchar_t kUninstallEntryKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";

// ---- files ----

// A recorded file as found: `crc` counts only when the size matched.
struct FoundFile {
    bool exists = false;
    bool plainFile = false;  // not a folder, not a link to elsewhere
    uint64_t size = 0;
    uint32_t crc = 0;
};

// Removed (delete it), AlreadyGone or Changed.
Verdict DecideFile(const record::RecordedFile& recorded, const FoundFile& found);

// The uninstaller is checked with the other files but removed last.
bool IsUninstallerFile(const record::RecordedFile& file);
// The program folder's settings file, recorded as a file when the setup made it only to point
// to the settings elsewhere. Once changed (by the viewer, or by a later installation that
// moved the settings back) it holds the user's settings and is treated as such.
bool IsProgramSettingsFile(const record::RecordedFile& file);

// A settings file goes with purge, and the program folder's file also when it only points to
// the settings elsewhere (the setup's redirect, not the user's settings).
bool ShouldRemoveSettings(const std::wstring& settingsFile, const std::wstring& programFolder, bool purge,
                          bool isRedirect);

// ---- registry ----

using reg::IsProductKey;
using reg::IsUserChoiceKey;
using reg::ValueAction;
// The uninstall entry or a key below it.
bool IsUninstallEntryKey(reg::Root root, const std::wstring& key);

ValueAction DecideValue(const record::RecordedValue& value, const record::ValueData& current);

// The recorded values inside one product key (the outermost one that holds them).
struct ProductKeyValues {
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key;
    std::vector<const record::RecordedValue*> values;
};
std::vector<ProductKeyValues> ValuesByProductKey(const record::InstallRecord& r);
// Another installation (or someone else) has written over the product key since: one of its
// recorded values now holds other data. Its whole subtree is then left alone, so that an
// installation in another folder keeps its registration. `current` matches `values`.
bool IsTakenOver(const std::vector<const record::RecordedValue*>& values, const std::vector<record::ValueData>& current);

// The user choices the record names (the keys the setup made anew): both scopes' installations
// write the same ones, with the same ProgIDs, so they stay while the other one is installed.
std::vector<record::RecordedKey> UserChoiceKeys(const record::InstallRecord& r);

enum class RegStepKind { Value, RecreateKey, NotRestored, RemoveKeyIfEmpty, RemoveTree, LeaveTakenOver };
struct RegStep {
    RegStepKind kind = RegStepKind::Value;
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key;
    const record::RecordedValue* value = nullptr;  // Value
    const record::DeletedKey* deleted = nullptr;   // RecreateKey
};

// The registry steps in the order they are undone: values in reverse, keys the installation
// deleted put back in reverse (user choices never), then keys it created in reverse, product
// keys with their subtree and others only when empty. What lies inside a product key that goes
// with its subtree, or inside a product key in `takenOver`, is left out. `entryPart` selects the
// uninstall entry's own steps, which come last, instead of all others. The steps point into `r`.
std::vector<RegStep> PlanRegistry(const record::InstallRecord& r, bool entryPart,
                                  const std::vector<record::RecordedKey>& takenOver);

// A link goes while it still points into the program folder (or its target cannot be read).
bool IsLinkStillOurs(const std::wstring& target, const std::wstring& programFolder);

// ---- folders ----

struct FolderPlan {
    std::vector<std::wstring> afterLinks;  // created folders that hold recorded links
    std::vector<std::wstring> afterFiles;  // the other created folders, except those below
    std::vector<std::wstring> last;        // the program folder and its ancestors, if created
};
// Each list deepest first.
FolderPlan PlanFolders(const record::InstallRecord& r);

// The entries of a folder that could not be removed which no step has named yet and which are
// not among `expected`.
std::vector<std::wstring> ForeignEntries(const std::vector<std::wstring>& entries, const std::vector<Step>& steps,
                                         const std::vector<std::wstring>& expected);
// True when every entry was kept by choice (the user's settings, or folders that hold only them).
bool HoldsOnlyKeptByChoice(const std::vector<std::wstring>& entries, const std::vector<Step>& steps);
// True when some entry goes at the next restart (the uninstaller in use).
bool HoldsScheduled(const std::vector<std::wstring>& entries, const std::vector<Step>& steps);

}  // namespace undo
