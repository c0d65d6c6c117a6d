#include "uninstall/registry_undo.h"

#include "win/unique_handle.h"

namespace undo {
namespace {

win::RegKey OpenKey(reg::Root root, const std::wstring& key, REGSAM access, LONG& rc) {
    HKEY opened = nullptr;
    rc = ::RegOpenKeyExW(reg::RootKey(root), key.c_str(), 0, access, &opened);
    return win::RegKey(rc == ERROR_SUCCESS ? opened : nullptr);
}

Outcome Result(LONG rc, Verdict success) {
    if (rc == ERROR_SUCCESS) return {success, 0};
    if (rc == ERROR_FILE_NOT_FOUND) return {Verdict::AlreadyGone, 0};
    return {Verdict::Failed, static_cast<DWORD>(rc)};
}

Outcome UndoValue(const record::RecordedValue& v) {
    record::ValueData current;
    DWORD error = 0;
    if (!ReadValueData(v.root, v.key, v.name, current, error)) return {Verdict::Failed, error};
    const ValueAction action = DecideValue(v, current);
    if (action == ValueAction::Nothing) return {Verdict::AlreadyGone, 0};
    if (action == ValueAction::Leave) return {Verdict::LeftChanged, 0};
    LONG rc;
    win::RegKey key = OpenKey(v.root, v.key, KEY_SET_VALUE, rc);
    if (!key) return {Verdict::Failed, static_cast<DWORD>(rc)};
    if (action == ValueAction::Delete) return Result(::RegDeleteValueW(key.get(), v.name.c_str()), Verdict::Removed);
    const auto& before = v.before;
    rc = ::RegSetValueExW(key.get(), v.name.c_str(), 0, before.type, before.bytes.empty() ? nullptr : before.bytes.data(),
                          static_cast<DWORD>(before.bytes.size()));
    return Result(rc, Verdict::Restored);
}

Outcome RecreateKey(const RegStep& step) {
    LONG rc;
    if (OpenKey(step.root, step.key, KEY_QUERY_VALUE, rc)) return {Verdict::LeftChanged, 0};  // made anew since
    HKEY created = nullptr;
    rc = ::RegCreateKeyExW(reg::RootKey(step.root), step.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                           nullptr);
    if (rc != ERROR_SUCCESS) return {Verdict::Failed, static_cast<DWORD>(rc)};
    win::RegKey key(created);
    for (const auto& held : step.deleted->values) {
        const auto& d = held.data;
        rc = ::RegSetValueExW(key.get(), held.name.c_str(), 0, d.type, d.bytes.empty() ? nullptr : d.bytes.data(),
                              static_cast<DWORD>(d.bytes.size()));
        if (rc != ERROR_SUCCESS) return {Verdict::Failed, static_cast<DWORD>(rc)};
    }
    return {Verdict::Restored, 0};
}

Outcome RemoveKeyIfEmpty(const RegStep& step) {
    LONG rc;
    DWORD subkeys = 0, values = 0;
    {
        win::RegKey key = OpenKey(step.root, step.key, KEY_QUERY_VALUE, rc);
        if (!key) return Result(rc, Verdict::Removed);
        rc = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) return {Verdict::Failed, static_cast<DWORD>(rc)};
    }
    if (subkeys || values) return {Verdict::LeftNotEmpty, 0};
    return Result(::RegDeleteKeyW(reg::RootKey(step.root), step.key.c_str()), Verdict::Removed);
}

Outcome RemoveTree(const RegStep& step) {
    LONG rc;
    if (!OpenKey(step.root, step.key, KEY_QUERY_VALUE, rc)) return Result(rc, Verdict::Removed);
    rc = ::RegDeleteTreeW(reg::RootKey(step.root), step.key.c_str());
    if (rc != ERROR_SUCCESS) return {Verdict::Failed, static_cast<DWORD>(rc)};
    // Some systems empty the key but keep the key itself.
    rc = ::RegDeleteKeyW(reg::RootKey(step.root), step.key.c_str());
    return Result(rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc, Verdict::Removed);
}

}  // namespace

bool ReadValueData(reg::Root root, const std::wstring& key, const std::wstring& name, record::ValueData& data,
                   DWORD& error) {
    data = record::ValueData();
    LONG rc;
    win::RegKey opened = OpenKey(root, key, KEY_QUERY_VALUE, rc);
    if (!opened) {
        error = static_cast<DWORD>(rc);
        return rc == ERROR_FILE_NOT_FOUND;
    }
    rc = reg::QueryValue(opened.get(), name, data);
    error = static_cast<DWORD>(rc);
    return rc == ERROR_SUCCESS;
}

Outcome UndoRegistryStep(const RegStep& step) {
    switch (step.kind) {
        case RegStepKind::Value: return UndoValue(*step.value);
        case RegStepKind::RecreateKey: return RecreateKey(step);
        case RegStepKind::NotRestored: return {Verdict::NotRestored, 0};
        case RegStepKind::RemoveKeyIfEmpty: return RemoveKeyIfEmpty(step);
        case RegStepKind::RemoveTree: return RemoveTree(step);
        case RegStepKind::LeaveTakenOver: return {Verdict::LeftChanged, 0};
    }
    return {Verdict::Failed, ERROR_INVALID_PARAMETER};
}

std::vector<record::RecordedKey> TakenOverProductKeys(const record::InstallRecord& r) {
    std::vector<record::RecordedKey> takenOver;
    for (const auto& group : ValuesByProductKey(r)) {
        std::vector<record::ValueData> current(group.values.size());
        for (size_t i = 0; i < group.values.size(); ++i) {
            const auto& v = *group.values[i];
            DWORD error = 0;
            ReadValueData(v.root, v.key, v.name, current[i], error);
        }
        if (IsTakenOver(group.values, current)) takenOver.push_back({group.root, group.key});
    }
    return takenOver;
}

std::wstring KeyName(reg::Root root, const std::wstring& key) {
    const wchar_t* rootName = root == reg::Root::CurrentUser ? L"HKCU" : root == reg::Root::ClassesRoot ? L"HKCR" : L"HKLM";
    return std::wstring(rootName) + L"\\" + key;
}

}  // namespace undo
