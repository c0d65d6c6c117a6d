#include "install/registry/registry_undo.h"

#include "install/install_places.h"
#include "install/registry/associations.h"
#include "install/run_event.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace reg {
namespace {

constexpr wchar_t kMachineClasses[] = L"SOFTWARE\\Classes\\";
constexpr wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
constexpr wchar_t kUserChoice[] = L"\\UserChoice";
// Below the machine's classes key. The ProgIDs "Lumiscope.<type>" are matched by their prefix.
constexpr const wchar_t* kProductClassKeys[] = {
    L"Lumiscope",
    L"Applications\\lu_scp64.exe",
    L"Directory\\shell\\Durchsuchen mit &Lumiscope",
    L"Drive\\shell\\Durchsuchen mit &Lumiscope",
};
// In the machine's terms.
constexpr const wchar_t* kProductMachineKeys[] = {
    L"SOFTWARE\\Lumiscope", L"SOFTWARE\\Lumiscope\\Capabilities",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64", kEventSourceKey};

bool IsProgIdKey(const std::wstring& classKey) {
    const std::wstring prefix = ProgIdFor(L"");  // "Lumiscope."
    return classKey.size() > prefix.size() && win::StartsWithNoCase(classKey, prefix) &&
           classKey.find(L'\\') == std::wstring::npos;
}

win::RegKey OpenKey(Root root, const std::wstring& key, REGSAM access, LONG& rc) {
    HKEY opened = nullptr;
    rc = ::RegOpenKeyExW(RootKey(root), key.c_str(), 0, access, &opened);
    return win::RegKey(rc == ERROR_SUCCESS ? opened : nullptr);
}

UndoResult Result(LONG rc, Undone success) {
    if (rc == ERROR_SUCCESS) return {success, 0};
    if (rc == ERROR_FILE_NOT_FOUND) return {Undone::AlreadyGone, 0};
    return {Undone::Failed, static_cast<DWORD>(rc)};
}

UndoResult Failed(LONG rc) { return {Undone::Failed, static_cast<DWORD>(rc)}; }

LONG SetRaw(HKEY key, const std::wstring& name, const ValueState& state) {
    return ::RegSetValueExW(key, name.c_str(), 0, state.type, state.bytes.empty() ? nullptr : state.bytes.data(),
                            static_cast<DWORD>(state.bytes.size()));
}

}  // namespace

bool IsProductKey(Root root, const std::wstring& key) {
    // Only the run's own scope: a machine's run never names a user's keys its own, and a
    // user's run never the machine's.
    std::wstring machineKey = key;
    if (!Places().InMachineTerms(root, machineKey)) return false;
    if (root == Root::ClassesRoot) machineKey = kMachineClasses + key;
    for (const wchar_t* product : kProductMachineKeys)
        if (win::EqualsNoCase(machineKey, product)) return true;
    if (!win::StartsWithNoCase(machineKey, kMachineClasses)) return false;
    const std::wstring classKey = machineKey.substr(std::wstring(kMachineClasses).size());
    for (const wchar_t* product : kProductClassKeys)
        if (win::EqualsNoCase(classKey, product)) return true;
    return IsProgIdKey(classKey);
}

bool IsUserChoiceKey(Root root, const std::wstring& key) {
    const std::wstring prefix = kFileExts;
    if (root != Root::CurrentUser || !win::StartsWithNoCase(key, prefix) || !win::EndsWithNoCase(key, kUserChoice))
        return false;
    const size_t extEnd = key.size() - std::wstring(kUserChoice).size();
    if (extEnd <= prefix.size()) return false;
    return key.substr(prefix.size(), extEnd - prefix.size()).find(L'\\') == std::wstring::npos;
}

ValueAction DecideValue(Root root, const std::wstring& key, const ValueState& before, const ValueState& written,
                        const ValueState& current) {
    if (current != written) return current == before ? ValueAction::Nothing : ValueAction::Leave;
    if (IsUserChoiceKey(root, key)) return current.exists ? ValueAction::Delete : ValueAction::Nothing;
    if (current == before) return ValueAction::Nothing;
    return before.exists ? ValueAction::Restore : ValueAction::Delete;
}

bool ReadValue(Root root, const std::wstring& key, const std::wstring& name, ValueState& state, DWORD& error) {
    state = ValueState();
    LONG rc;
    win::RegKey opened = OpenKey(root, key, KEY_QUERY_VALUE, rc);
    if (!opened) {
        error = static_cast<DWORD>(rc);
        return rc == ERROR_FILE_NOT_FOUND;
    }
    rc = QueryValue(opened.get(), name, state);
    error = static_cast<DWORD>(rc);
    return rc == ERROR_SUCCESS;
}

UndoResult PutValueBack(Root root, const std::wstring& key, const std::wstring& name, const ValueState& before,
                        const ValueState& written) {
    ValueState current;
    DWORD error = 0;
    if (!ReadValue(root, key, name, current, error)) return Failed(static_cast<LONG>(error));
    const ValueAction action = DecideValue(root, key, before, written, current);
    if (action == ValueAction::Nothing) return {Undone::AlreadyGone, 0};
    if (action == ValueAction::Leave) return {Undone::LeftChanged, 0};
    LONG rc;
    win::RegKey opened = OpenKey(root, key, KEY_SET_VALUE, rc);
    if (!opened) return Failed(rc);
    if (action == ValueAction::Delete) return Result(::RegDeleteValueW(opened.get(), name.c_str()), Undone::Removed);
    return Result(SetRaw(opened.get(), name, before), Undone::Restored);
}

UndoResult RecreateKey(Root root, const std::wstring& key, const HeldValues& values) {
    LONG rc;
    if (OpenKey(root, key, KEY_QUERY_VALUE, rc)) return {Undone::LeftChanged, 0};  // made anew since
    HKEY created = nullptr;
    rc = ::RegCreateKeyExW(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr);
    if (rc != ERROR_SUCCESS) return Failed(rc);
    win::RegKey owner(created);
    for (const auto& [name, state] : values) {
        rc = SetRaw(created, name, state);
        if (rc != ERROR_SUCCESS) return Failed(rc);
    }
    return {Undone::Restored, 0};
}

UndoResult RemoveKeyIfEmpty(Root root, const std::wstring& key) {
    LONG rc;
    DWORD subkeys = 0, values = 0;
    {
        win::RegKey opened = OpenKey(root, key, KEY_QUERY_VALUE, rc);
        if (!opened) return Result(rc, Undone::Removed);
        rc = ::RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) return Failed(rc);
    }
    if (subkeys || values) return {Undone::LeftNotEmpty, 0};
    return Result(::RegDeleteKeyW(RootKey(root), key.c_str()), Undone::Removed);
}

UndoResult RemoveKeyTree(Root root, const std::wstring& key) {
    LONG rc;
    if (!OpenKey(root, key, KEY_QUERY_VALUE, rc)) return Result(rc, Undone::Removed);
    rc = ::RegDeleteTreeW(RootKey(root), key.c_str());
    if (rc != ERROR_SUCCESS) return Failed(rc);
    // Some systems empty the key but keep the key itself.
    rc = ::RegDeleteKeyW(RootKey(root), key.c_str());
    return Result(rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc, Undone::Removed);
}

}  // namespace reg
