#include "install/recovery/pending_rename_rules.h"

#include <algorithm>

#include "win/path_text.h"

namespace txn {

std::vector<std::wstring> SplitMultiString(const std::wstring& data) {
    std::vector<std::wstring> names;
    size_t at = 0;
    while (at < data.size()) {
        const size_t end = data.find(L'\0', at);
        if (end == std::wstring::npos) {
            names.push_back(data.substr(at));
            break;
        }
        // Two NULs in a row end the list, except where an empty name stands for a deletion:
        // inside the list a pair's empty target is followed by more names.
        if (end == at && end + 1 >= data.size()) break;
        names.push_back(data.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

std::wstring JoinMultiString(const std::vector<std::wstring>& names) {
    std::wstring data;
    for (const std::wstring& name : names) {
        data += name;
        data += L'\0';
    }
    data += L'\0';
    return data;
}

std::wstring PendingPath(const std::wstring& name) {
    std::wstring path = name;
    if (!path.empty() && path[0] == L'!') path.erase(0, 1);
    if (win::StartsWithNoCase(path, L"\\??\\UNC\\")) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\??\\") == 0) return path.substr(4);
    return path;
}

std::vector<PendingPair> PendingPairs(const std::vector<std::wstring>& names) {
    std::vector<PendingPair> pairs;
    for (size_t i = 0; i < names.size(); i += 2) pairs.push_back({names[i], i + 1 < names.size() ? names[i + 1] : L""});
    return pairs;
}

namespace {

// Whether a name of the value is one of the files or a folder around one of them.
bool Names(const std::wstring& name, const std::vector<std::wstring>& written) {
    const std::wstring path = PendingPath(name);
    if (path.empty()) return false;
    for (const std::wstring& file : written)
        if (win::IsSameOrInside(path, file)) return true;
    return false;
}

}  // namespace

void DropPairsNaming(const std::vector<PendingPair>& pairs, const std::vector<std::wstring>& written,
                     std::vector<PendingPair>& kept, std::vector<PendingPair>& dropped) {
    for (const PendingPair& pair : pairs)
        (Names(pair.source, written) || Names(pair.target, written) ? dropped : kept).push_back(pair);
}

std::vector<std::wstring> FoldersKeptFromDeletion(const std::vector<PendingPair>& dropped,
                                                  const std::vector<std::wstring>& written) {
    std::vector<std::wstring> folders;
    for (const PendingPair& pair : dropped) {
        const std::wstring path = win::WithoutTrailingBackslash(PendingPath(pair.source));
        const bool isFile = std::any_of(written.begin(), written.end(),
                                        [&](const std::wstring& file) { return win::EqualsNoCase(file, path); });
        if (!pair.target.empty() || path.empty() || isFile) continue;
        if (std::none_of(folders.begin(), folders.end(), [&](const std::wstring& f) { return win::EqualsNoCase(f, path); }))
            folders.push_back(path);
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() < b.size(); });
    return folders;
}

std::vector<std::wstring> PairNames(const std::vector<PendingPair>& pairs) {
    std::vector<std::wstring> names;
    for (const PendingPair& pair : pairs) {
        names.push_back(pair.source);
        names.push_back(pair.target);
    }
    return names;
}

}  // namespace txn
