#include "install/record/record_proof.h"

#include "install/install_places.h"
#include "install/record/record_digest.h"
#include "install/registry/registration.h"
#include "install/request/folders.h"
#include "win/path_text.h"
#include "win/unique_handle.h"

namespace record {

bool IsProven(const std::wstring& digest, const std::wstring& proof, bool inProgramFiles) {
    if (proof.empty()) return inProgramFiles;
    return digest == proof;
}

bool KeepProof(const std::wstring& digest, DWORD& error) {
    HKEY raw = nullptr;
    LONG rc = ::RegOpenKeyExW(reg::RootKey(Places().entryRoot), Places().entryKey.c_str(), 0, KEY_SET_VALUE, &raw);
    if (rc == ERROR_SUCCESS) {
        win::RegKey key(raw);
        rc = ::RegSetValueExW(key.get(), kProofValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(digest.c_str()),
                              static_cast<DWORD>((digest.size() + 1) * sizeof(wchar_t)));
    }
    error = static_cast<DWORD>(rc);
    return rc == ERROR_SUCCESS;
}

std::wstring ReadProof() {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(reg::RootKey(Places().entryRoot), Places().entryKey.c_str(), 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS)
        return {};
    win::RegKey key(raw);
    wchar_t text[kDigestChars + 1] = {};
    DWORD bytes = sizeof text;
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExW(key.get(), kProofValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    if (rc == ERROR_FILE_NOT_FOUND) return {};
    text[kDigestChars] = L'\0';
    // A value that is there but names no digest proves no record, and is no missing proof either.
    const std::wstring proof(text);
    return rc == ERROR_SUCCESS && type == REG_SZ && proof.size() == kDigestChars ? proof : std::wstring(L"-");
}

bool IsInProgramFiles(const std::wstring& folder) {
    std::wstring programFiles;
    return GetProgramFilesFolder(programFiles) && win::IsSameOrInside(win::WithoutTrailingBackslash(programFiles), folder);
}

}  // namespace record
