#include "uninstall/undo_rules.h"

#include <algorithm>

#include "install/install_places.h"
#include "install/registry/associations.h"
#include "win/path_text.h"

namespace undo {
namespace {

using record::InstallRecord;

constexpr wchar_t kMachineClasses[] = L"SOFTWARE\\Classes\\";

struct KeyRef {
    reg::Root root;
    std::wstring key;
};

KeyRef Canonical(reg::Root root, const std::wstring& key) {
    if (root == reg::Root::ClassesRoot) return {reg::Root::LocalMachine, kMachineClasses + key};
    return {root, key};
}

// The uninstall entry of the run's scope.
KeyRef EntryKey() { return {Places().entryRoot, Places().entryKey}; }

bool SameKey(const KeyRef& a, const KeyRef& b) { return a.root == b.root && win::EqualsNoCase(a.key, b.key); }

bool IsSameOrInsideKey(const KeyRef& outer, const KeyRef& inner) {
    return SameKey(outer, inner) || (outer.root == inner.root && win::StartsWithNoCase(inner.key, outer.key + L"\\"));
}

size_t Depth(const std::wstring& path) {
    const std::wstring trimmed = win::WithoutTrailingBackslash(path);
    return static_cast<size_t>(std::count(trimmed.begin(), trimmed.end(), L'\\'));
}

void SortDeepestFirst(std::vector<std::wstring>& folders) {
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return win::EqualsNoCase(win::WithoutTrailingBackslash(a), win::WithoutTrailingBackslash(b));
}

bool HoldsAny(const std::wstring& folder, const std::vector<std::wstring>& paths) {
    return std::any_of(paths.begin(), paths.end(), [&](const std::wstring& p) { return win::IsSameOrInside(folder, p); });
}

// The latest step that names `path`, or nullptr.
const Step* StepFor(const std::wstring& path, const std::vector<Step>& steps) {
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (it->item != Item::Value && it->item != Item::Key && it->item != Item::Entry && SamePath(it->name, path))
            return &*it;
    return nullptr;
}

// Registry planning for one part (the uninstall entry, or everything else).
class RegistryPlanner {
public:
    RegistryPlanner(const InstallRecord& r, bool entryPart, const std::vector<record::RecordedKey>& takenOver)
        : m_r(r), m_entryPart(entryPart) {
        for (const auto& k : takenOver) m_takenOver.push_back(Canonical(k.root, k.key));
        for (const auto& k : r.createdKeys)
            if (IsProductKey(k.root, k.key) && !InTakenOver(k.root, k.key)) m_trees.push_back(Canonical(k.root, k.key));
        // The uninstall entry goes whole even when one was there before: an earlier entry could
        // only name the uninstaller that goes now, and would stay in the list of programs.
        const KeyRef entry = EntryKey();
        m_entryGoesWhole = !InTree(entry.root, entry.key) && !InTakenOver(entry.root, entry.key) &&
                           std::any_of(r.values.begin(), r.values.end(),
                                       [](const record::RecordedValue& v) { return IsUninstallEntryKey(v.root, v.key); });
        if (m_entryGoesWhole) m_trees.push_back(entry);
    }

    std::vector<RegStep> Plan() {
        for (const auto& k : m_takenOver)
            if (Selected(k.root, k.key)) Add(RegStepKind::LeaveTakenOver, k.root, k.key);
        for (auto v = m_r.values.rbegin(); v != m_r.values.rend(); ++v)
            if (Wanted(v->root, v->key)) Add(RegStepKind::Value, v->root, v->key).value = &*v;
        for (auto d = m_r.deletedKeys.rbegin(); d != m_r.deletedKeys.rend(); ++d) {
            if (!Wanted(d->root, d->key)) continue;
            if (IsUserChoiceKey(d->root, d->key))
                Add(RegStepKind::NotRestored, d->root, d->key);
            else
                Add(RegStepKind::RecreateKey, d->root, d->key).deleted = &*d;
        }
        AddUserChoiceRemovals();
        if (m_entryPart && m_entryGoesWhole) Add(RegStepKind::RemoveTree, EntryKey().root, EntryKey().key);
        for (auto k = m_r.createdKeys.rbegin(); k != m_r.createdKeys.rend(); ++k) {
            if (!SelectedKey(k->root, k->key) || InsideOtherTree(k->root, k->key) || InTakenOver(k->root, k->key)) continue;
            if (m_entryGoesWhole && IsUninstallEntryKey(k->root, k->key)) continue;
            Add(IsProductKey(k->root, k->key) ? RegStepKind::RemoveTree : RegStepKind::RemoveKeyIfEmpty, k->root, k->key);
        }
        return m_steps;
    }

private:
    bool Selected(reg::Root root, const std::wstring& key) const {
        return IsUninstallEntryKey(root, key) == m_entryPart;
    }
    // Keys made for the entry alone (its parents on a system that lacked them) go after it.
    bool SelectedKey(reg::Root root, const std::wstring& key) const {
        const bool holdsEntry = IsSameOrInsideKey(Canonical(root, key), EntryKey());
        return (holdsEntry || IsUninstallEntryKey(root, key)) == m_entryPart;
    }
    bool InTree(reg::Root root, const std::wstring& key) const {
        const KeyRef k = Canonical(root, key);
        return std::any_of(m_trees.begin(), m_trees.end(), [&](const KeyRef& t) { return IsSameOrInsideKey(t, k); });
    }
    bool InsideOtherTree(reg::Root root, const std::wstring& key) const {
        const KeyRef k = Canonical(root, key);
        return std::any_of(m_trees.begin(), m_trees.end(),
                           [&](const KeyRef& t) { return IsSameOrInsideKey(t, k) && !SameKey(t, k); });
    }
    bool InTakenOver(reg::Root root, const std::wstring& key) const {
        const KeyRef k = Canonical(root, key);
        return std::any_of(m_takenOver.begin(), m_takenOver.end(), [&](const KeyRef& t) { return IsSameOrInsideKey(t, k); });
    }
    bool Wanted(reg::Root root, const std::wstring& key) const {
        return Selected(root, key) && !InTree(root, key) && !InTakenOver(root, key);
    }

    bool IsCreated(reg::Root root, const std::wstring& key) const {
        const KeyRef k = Canonical(root, key);
        return std::any_of(m_r.createdKeys.begin(), m_r.createdKeys.end(),
                           [&](const record::RecordedKey& c) { return SameKey(Canonical(c.root, c.key), k); });
    }

    // The setup deletes and recreates a user choice, so one that existed before is not among
    // the created keys; emptied, it goes all the same.
    void AddUserChoiceRemovals() {
        std::vector<KeyRef> keys;
        auto note = [&](reg::Root root, const std::wstring& key) {
            if (!IsUserChoiceKey(root, key) || !Wanted(root, key) || IsCreated(root, key)) return;
            const KeyRef k{root, key};
            if (std::none_of(keys.begin(), keys.end(), [&](const KeyRef& have) { return SameKey(have, k); }))
                keys.push_back(k);
        };
        for (auto v = m_r.values.rbegin(); v != m_r.values.rend(); ++v) note(v->root, v->key);
        for (auto d = m_r.deletedKeys.rbegin(); d != m_r.deletedKeys.rend(); ++d) note(d->root, d->key);
        for (const auto& k : keys) Add(RegStepKind::RemoveKeyIfEmpty, k.root, k.key);
    }

    RegStep& Add(RegStepKind kind, reg::Root root, const std::wstring& key) {
        RegStep step;
        step.kind = kind;
        step.root = root;
        step.key = key;
        m_steps.push_back(step);
        return m_steps.back();
    }

    const InstallRecord& m_r;
    bool m_entryPart;
    bool m_entryGoesWhole = false;
    std::vector<KeyRef> m_trees;
    std::vector<KeyRef> m_takenOver;
    std::vector<RegStep> m_steps;
};

}  // namespace

Verdict DecideFile(const record::RecordedFile& recorded, const FoundFile& found) {
    if (!found.exists) return Verdict::AlreadyGone;
    if (!found.plainFile || found.size != recorded.size || found.crc != recorded.crc) return Verdict::Changed;
    return Verdict::Removed;
}

bool IsUninstallerFile(const record::RecordedFile& file) { return win::EqualsNoCase(file.path, kUninstallerName); }

bool IsProgramSettingsFile(const record::RecordedFile& file) { return win::EqualsNoCase(file.path, kSettingsName); }

bool ShouldRemoveSettings(const std::wstring& settingsFile, const std::wstring& programFolder, bool purge,
                          bool isRedirect) {
    if (purge) return true;
    return isRedirect && SamePath(win::ParentPath(settingsFile), programFolder);
}

bool IsUninstallEntryKey(reg::Root root, const std::wstring& key) {
    return IsSameOrInsideKey(EntryKey(), Canonical(root, key));
}

ValueAction DecideValue(const record::RecordedValue& v, const record::ValueData& current) {
    return reg::DecideValue(v.root, v.key, v.before, v.written, current);
}

std::vector<RegStep> PlanRegistry(const InstallRecord& r, bool entryPart,
                                  const std::vector<record::RecordedKey>& takenOver) {
    return RegistryPlanner(r, entryPart, takenOver).Plan();
}

std::vector<ProductKeyValues> ValuesByProductKey(const InstallRecord& r) {
    std::vector<ProductKeyValues> groups;
    for (const auto& v : r.values) {
        const KeyRef k = Canonical(v.root, v.key);
        // The outermost product key that holds the value's key.
        size_t end = 0;
        std::wstring product;
        while (product.empty() && end != std::wstring::npos) {
            end = k.key.find(L'\\', end + 1);
            const std::wstring level = k.key.substr(0, end);
            if (IsProductKey(k.root, level)) product = level;
        }
        if (product.empty()) continue;
        auto group = std::find_if(groups.begin(), groups.end(), [&](const ProductKeyValues& g) {
            return SameKey({g.root, g.key}, {k.root, product});
        });
        if (group == groups.end()) group = groups.insert(groups.end(), ProductKeyValues{k.root, product, {}});
        group->values.push_back(&v);
    }
    return groups;
}

bool IsTakenOver(const std::vector<const record::RecordedValue*>& values, const std::vector<record::ValueData>& current) {
    for (size_t i = 0; i < values.size() && i < current.size(); ++i)
        if (current[i].exists && current[i] != values[i]->written) return true;
    return false;
}

std::vector<record::RecordedKey> UserChoiceKeys(const InstallRecord& r) {
    std::vector<record::RecordedKey> keys;
    for (const auto& d : r.deletedKeys)
        if (IsUserChoiceKey(d.root, d.key)) keys.push_back({d.root, d.key});
    for (const auto& v : r.values)
        if (IsUserChoiceKey(v.root, v.key) && std::none_of(keys.begin(), keys.end(), [&](const record::RecordedKey& k) {
                return win::EqualsNoCase(k.key, v.key);
            }))
            keys.push_back({v.root, v.key});
    return keys;
}

bool IsLinkStillOurs(const std::wstring& target, const std::wstring& programFolder) {
    return target.empty() || win::IsSameOrInside(programFolder, target);
}

FolderPlan PlanFolders(const InstallRecord& r) {
    FolderPlan plan;
    std::vector<std::wstring> seen;
    for (const auto& folder : r.createdFolders) {
        if (std::any_of(seen.begin(), seen.end(), [&](const std::wstring& s) { return SamePath(s, folder); })) continue;
        seen.push_back(folder);
        const std::wstring path = win::WithoutTrailingBackslash(folder);
        if (win::IsSameOrInside(path, r.programFolder))
            plan.last.push_back(path);
        else if (HoldsAny(path, r.links) && !HoldsAny(path, r.settingsFiles) && !win::IsSameOrInside(r.programFolder, path))
            plan.afterLinks.push_back(path);
        else
            plan.afterFiles.push_back(path);
    }
    SortDeepestFirst(plan.afterLinks);
    SortDeepestFirst(plan.afterFiles);
    SortDeepestFirst(plan.last);
    return plan;
}

std::vector<std::wstring> ForeignEntries(const std::vector<std::wstring>& entries, const std::vector<Step>& steps,
                                         const std::vector<std::wstring>& expected) {
    std::vector<std::wstring> foreign;
    for (const auto& entry : entries) {
        bool isExpected = std::any_of(expected.begin(), expected.end(), [&](const std::wstring& e) { return SamePath(e, entry); });
        if (!isExpected && !StepFor(entry, steps)) foreign.push_back(entry);
    }
    return foreign;
}

bool HoldsOnlyKeptByChoice(const std::vector<std::wstring>& entries, const std::vector<Step>& steps) {
    return std::all_of(entries.begin(), entries.end(), [&](const std::wstring& entry) {
        const Step* step = StepFor(entry, steps);
        return step && step->verdict == Verdict::KeptByChoice;
    });
}

bool HoldsScheduled(const std::vector<std::wstring>& entries, const std::vector<Step>& steps) {
    return std::any_of(entries.begin(), entries.end(), [&](const std::wstring& entry) {
        const Step* step = StepFor(entry, steps);
        return step && step->verdict == Verdict::Scheduled;
    });
}

}  // namespace undo
