#pragma once
// Redirects HKLM, HKCU and HKCR of this process onto scratch keys under the real HKCU, so
// registry code can run for real without touching the prefix. HKCR lands in the scratch
// HKLM's "Software\Classes", as it does on the real machine hive.
#include <windows.h>
#include <string>
#include <vector>

namespace testsupport {

class ScratchRegistry {
public:
    // `tag` makes the scratch key unique beside the process id. Without `redirectUser` HKCU
    // stays the real one (the shell reads its folders from there).
    explicit ScratchRegistry(const std::wstring& tag, bool redirectUser = true);
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // The scratch stand-ins, usable while the redirection is in force.
    HKEY machine() const { return m_machine; }
    HKEY user() const { return m_user; }
    HKEY classes() const { return m_classes; }

    // The predefined keys are the real ones again (the scratch keys stay until destruction).
    void StopRedirecting();

    // Points HKCR at another key (for example a read-only handle of the same key).
    void RedirectClassesTo(HKEY key);

    // Every key and value below the scratch root, one sorted line each (path, name, type, data).
    std::vector<std::wstring> Dump() const;

private:
    std::wstring m_rootPath;
    HKEY m_root = nullptr;
    HKEY m_machine = nullptr;
    HKEY m_user = nullptr;
    HKEY m_classes = nullptr;
    bool m_redirectUser;
};

// Reads one value: false when it does not exist.
bool ReadValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data);
// A REG_SZ value as text (terminator dropped); empty when missing or of another type.
std::wstring ReadString(HKEY root, const std::wstring& key, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& key);
// Writes a REG_SZ (nullptr name: the default value), creating the key; false when refused.
bool WriteString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value);
// Names of the subkeys and values of a key.
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& key);
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key);

}  // namespace testsupport
