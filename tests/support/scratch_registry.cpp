#include "support/scratch_registry.h"

#include <algorithm>
#include <cstdio>

namespace testsupport {
namespace {

HKEY CreateKey(HKEY parent, const std::wstring& path) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

std::wstring Hex(const std::vector<BYTE>& data) {
    std::wstring text;
    wchar_t byte[4];
    for (BYTE b : data) {
        std::swprintf(byte, 4, L"%02x", b);
        text += byte;
    }
    return text;
}

void DumpKey(HKEY key, const std::wstring& path, std::vector<std::wstring>& lines) {
    lines.push_back(path + L"\\");
    for (const std::wstring& name : ValueNames(key, L"")) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ReadValue(key, L"", name.c_str(), type, data);
        lines.push_back(path + L"|" + name + L"|" + std::to_wstring(type) + L"|" + Hex(data));
    }
    for (const std::wstring& sub : SubkeyNames(key, L"")) {
        HKEY child = nullptr;
        if (::RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        DumpKey(child, path + L"\\" + sub, lines);
        ::RegCloseKey(child);
    }
}

}  // namespace

ScratchRegistry::ScratchRegistry(const std::wstring& tag, bool redirectUser) : m_redirectUser(redirectUser) {
    m_rootPath = L"Software\\LumiscopeTests\\" + tag + L"-" + std::to_wstring(::GetCurrentProcessId());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, m_rootPath.c_str());
    // All scratch keys are opened before HKCU itself is redirected.
    m_root = CreateKey(HKEY_CURRENT_USER, m_rootPath);
    m_machine = CreateKey(m_root, L"HKLM");
    m_user = CreateKey(m_root, L"HKCU");
    m_classes = CreateKey(m_machine, L"Software\\Classes");
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_classes);
    if (m_redirectUser) ::RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
}

ScratchRegistry::~ScratchRegistry() {
    StopRedirecting();
    for (HKEY key : {m_classes, m_user, m_machine, m_root})
        if (key) ::RegCloseKey(key);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, m_rootPath.c_str());
}

void ScratchRegistry::StopRedirecting() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    if (m_redirectUser) ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
}

void ScratchRegistry::RedirectClassesTo(HKEY key) { ::RegOverridePredefKey(HKEY_CLASSES_ROOT, key); }

std::vector<std::wstring> ScratchRegistry::Dump() const {
    std::vector<std::wstring> lines;
    DumpKey(m_root, L"", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool ReadValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    return true;
}

std::wstring ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(root, key, name, type, data) || type != REG_SZ || data.size() < sizeof(wchar_t)) return L"";
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    ::RegCloseKey(opened);
    return true;
}

bool WriteString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = ::RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(opened);
    return rc == ERROR_SUCCESS;
}

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& key) {
    std::vector<std::wstring> names;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = 256;
        if (::RegEnumKeyExW(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    ::RegCloseKey(opened);
    return names;
}

std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key) {
    std::vector<std::wstring> names;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return names;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD size = 16384;
        if (::RegEnumValueW(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    ::RegCloseKey(opened);
    return names;
}

}  // namespace testsupport
