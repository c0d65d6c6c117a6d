#include "uninstall/uninstall_scope.h"

#include <windows.h>

#include "install/record/record_file.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace undo {
namespace {

constexpr DWORD kLocationChars = MAX_PATH;

std::wstring InstallLocation(const InstallPlaces& places) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(reg::RootKey(places.entryRoot), places.entryKey.c_str(), 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS)
        return std::wstring();
    win::RegKey key(raw);
    wchar_t text[kLocationChars + 1] = {};
    DWORD bytes = kLocationChars * sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.get(), L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return std::wstring(text);
}

bool Names(const std::wstring& entryFolder, const std::wstring& programFolder) {
    return !entryFolder.empty() && record::IsSameFolder(entryFolder, programFolder);
}

}  // namespace

Scope ScopeFor(const std::wstring& programFolder, const std::wstring& machineEntryFolder,
               const std::wstring& userEntryFolder) {
    if (Names(machineEntryFolder, programFolder)) return Scope::Machine;
    return Names(userEntryFolder, programFolder) ? Scope::User : Scope::Machine;
}

bool IsOtherScopeInstalled() {
    const InstallPlaces other = Places().scope == Scope::Machine ? UserPlaces(std::wstring()) : MachinePlaces();
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(reg::RootKey(other.entryRoot), other.entryKey.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    win::RegKey key(raw);
    return true;
}

Scope ScopeOfFolder(const std::wstring& programFolder) {
    return ScopeFor(programFolder, InstallLocation(MachinePlaces()), InstallLocation(UserPlaces(std::wstring())));
}

}  // namespace undo
