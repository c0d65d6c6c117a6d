#include "support/system_snapshot.h"

#include "support/scratch_registry.h"
#include "win/path_text.h"

namespace testsupport {
namespace {

void ListTree(const std::wstring& folder, const std::vector<std::wstring>& excluded, std::set<std::wstring>& tree) {
    WIN32_FIND_DATAW data;
    HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + name;
        bool skip = false;
        for (const auto& e : excluded) skip = skip || win::EqualsNoCase(win::WithoutTrailingBackslash(e), path);
        if (skip) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree.insert(path + L"\\");
            ListTree(path + L"\\", excluded, tree);
        } else {
            tree.insert(path);
        }
    } while (::FindNextFileW(search, &data));
    ::FindClose(search);
}

std::wstring Hex(const std::vector<BYTE>& data) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    for (BYTE b : data) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

void DumpKey(HKEY root, const std::wstring& key, const std::wstring& label, std::set<std::wstring>& lines) {
    if (!KeyExists(root, key)) return;
    lines.insert(label + L"\\");
    for (const auto& name : ValueNames(root, key)) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ReadValue(root, key, name.c_str(), type, data);
        lines.insert(label + L"|" + name + L"|" + std::to_wstring(type) + L"|" + Hex(data));
    }
    for (const auto& sub : SubkeyNames(root, key)) DumpKey(root, key + L"\\" + sub, label + L"\\" + sub, lines);
}

}  // namespace

std::set<std::wstring> FileTree(const std::vector<std::wstring>& excluded) {
    std::set<std::wstring> tree;
    std::vector<std::wstring> skip = excluded;
    skip.push_back(L"C:\\windows");
    ListTree(L"C:\\", skip, tree);
    return tree;
}

std::set<std::wstring> RegistryTree(const std::vector<KeyPath>& keys) {
    std::set<std::wstring> lines;
    for (const auto& k : keys) {
        const std::wstring label = std::to_wstring(reinterpret_cast<uintptr_t>(k.root) & 0xF) + L":" + k.key;
        DumpKey(k.root, k.key, label, lines);
        const size_t slash = k.key.find_last_of(L'\\');
        if (slash != std::wstring::npos && KeyExists(k.root, k.key.substr(0, slash)))
            lines.insert(label.substr(0, label.size() - (k.key.size() - slash)) + L" exists");
    }
    return lines;
}

}  // namespace testsupport
