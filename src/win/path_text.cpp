#include "win/path_text.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace win {
namespace {

bool IsPlainName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    for (wchar_t c : name)
        if (c < 0x20 || std::wcschr(L"<>:\"/|?*\\", c)) return false;
    return true;
}

std::vector<std::wstring> SplitNames(const std::wstring& text) {
    std::vector<std::wstring> names;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L'\\', start);
        names.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return names;
        start = end + 1;
    }
}

// The names of `text`, or false when one of them is not plain.
bool PlainNames(const std::wstring& text, std::vector<std::wstring>& names) {
    names = SplitNames(text);
    for (const auto& name : names)
        if (!IsPlainName(name)) return false;
    return true;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring UpperCase(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::wstring WithoutTrailingBackslash(const std::wstring& path) {
    if (path.size() <= 3 && path.size() >= 2 && path[1] == L':') return path;
    return !path.empty() && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
}

std::wstring ParentPath(const std::wstring& path) {
    const std::wstring trimmed = WithoutTrailingBackslash(path);
    size_t slash = trimmed.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 == trimmed.size()) return std::wstring();
    return WithoutTrailingBackslash(trimmed.substr(0, slash + 1));
}

std::wstring LastName(const std::wstring& path) {
    const std::wstring trimmed = WithoutTrailingBackslash(path);
    size_t slash = trimmed.find_last_of(L'\\');
    return slash == std::wstring::npos ? trimmed : trimmed.substr(slash + 1);
}

bool IsSameOrInside(const std::wstring& folder, const std::wstring& path) {
    std::wstring base = WithoutTrailingBackslash(folder);
    const std::wstring full = WithoutTrailingBackslash(path);
    if (base.empty()) return false;
    if (EqualsNoCase(base, full)) return true;
    if (base.back() != L'\\') base += L'\\';
    return StartsWithNoCase(full, base);
}

int PlainPathDepth(const std::wstring& path) {
    std::wstring rest;
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        rest = path.substr(3);
    } else if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
        std::vector<std::wstring> names;
        const std::wstring unc = WithoutTrailingBackslash(path.substr(2));
        if (!PlainNames(unc, names) || names.size() < 2) return -1;
        return static_cast<int>(names.size()) - 2;
    } else {
        return -1;
    }
    if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    if (rest.empty()) return path.size() == 3 ? 0 : -1;
    std::vector<std::wstring> names;
    return PlainNames(rest, names) ? static_cast<int>(names.size()) : -1;
}

bool IsPlainRelativePath(const std::wstring& path) {
    std::vector<std::wstring> names;
    return PlainNames(path, names);
}

}  // namespace win
