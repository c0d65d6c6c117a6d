#include "install/recovery/pending_renames.h"

#include <windows.h>

#include "install/install_places.h"
#include "install/recovery/pending_rename_rules.h"
#include "win/unique_handle.h"

namespace txn {

namespace {

std::wstring AsText(const std::vector<BYTE>& bytes) {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

reg::ValueState AsValue(const std::wstring& data) {
    const auto* bytes = reinterpret_cast<const BYTE*>(data.data());
    return reg::ValueState{true, REG_MULTI_SZ, std::vector<BYTE>(bytes, bytes + data.size() * sizeof(wchar_t))};
}

std::wstring Described(const PendingPair& pair) {
    return pair.target.empty() ? L"deletion of " + PendingPath(pair.source)
                               : L"rename of " + PendingPath(pair.source) + L" to " + PendingPath(pair.target);
}

}  // namespace

bool KeepFromPendingRenames(const std::vector<std::wstring>& written, InstallJournal& ahead) {
    // A user's run neither reads nor writes the machine's list; it never puts anything there.
    if (!Places().restartDeletes) return true;
    HKEY opened = nullptr;
    LONG rc = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
    if (rc != ERROR_SUCCESS) return true;  // no restart work there at all
    win::RegKey key(opened);
    reg::ValueState before;
    if (reg::QueryValue(key.get(), kPendingValue, before) != ERROR_SUCCESS || !before.exists ||
        before.type != REG_MULTI_SZ)
        return true;
    std::vector<PendingPair> kept;
    std::vector<PendingPair> dropped;
    DropPairsNaming(PendingPairs(SplitMultiString(AsText(before.bytes))), written, kept, dropped);
    if (dropped.empty()) return true;

    // A folder kept from its deletion is this installation's from now on: its removal takes it
    // (or schedules it) again. Logged ahead of the value, so a rollback puts the deletion back first.
    const std::vector<std::wstring> folders = FoldersKeptFromDeletion(dropped, written);
    for (const std::wstring& folder : folders) ahead.WillCreateFolder(folder);
    const reg::ValueState after = kept.empty() ? reg::ValueState() : AsValue(JoinMultiString(PairNames(kept)));
    ahead.WillWriteValue(reg::Root::LocalMachine, kSessionManagerKey, kPendingValue, before, after);
    rc = after.exists ? ::RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ, after.bytes.data(),
                                         static_cast<DWORD>(after.bytes.size()))
                      : ::RegDeleteValueW(key.get(), kPendingValue);
    if (rc != ERROR_SUCCESS) {
        Journal().Failed(phase::kPayload, L"the renames at the next restart could not be changed", static_cast<DWORD>(rc));
        return false;
    }
    for (const PendingPair& pair : dropped)
        Journal().Note(phase::kPayload, L"taken out of the renames at the next restart: " + Described(pair));
    for (const std::wstring& folder : folders) Journal().FolderCreated(folder);
    return true;
}

}  // namespace txn
