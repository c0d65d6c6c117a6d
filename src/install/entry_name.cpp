#include "install/entry_name.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// "", ".", "..", "...", ". ." and the like: the file system drops trailing dots and blanks,
// so every such level means "here" or "up".
bool IsDotsOnlyLevel(const std::wstring& level) {
    return level.find_first_not_of(L". ") == std::wstring::npos && level.find(L'.') != std::wstring::npos;
}

size_t LastSeparator(const std::wstring& name) { return name.find_last_of(L"/\\"); }

}  // namespace

bool IsSafeEntryName(const std::wstring& name) {
    if (name.empty() || IsSeparator(name.front())) return false;
    if (name.find(L':') != std::wstring::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (IsDotsOnlyLevel(name.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

bool NamesIconLibrary(const std::string& rawName) {
    std::string lower = rawName;
    for (auto& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower.find("icons.dll") != std::string::npos;
}

std::wstring NamePart(const std::wstring& name) {
    size_t at = LastSeparator(name);
    return at == std::wstring::npos ? name : name.substr(at + 1);
}

std::wstring FolderPart(const std::wstring& name) {
    size_t at = LastSeparator(name);
    return at == std::wstring::npos ? std::wstring() : name.substr(0, at);
}

bool IsSupportedEntry(unsigned long method, unsigned long flags) {
    const unsigned long kEncrypted = 0x1;
    return (method == 0 || method == 8) && (flags & kEncrypted) == 0;
}
