#include "install/payload/entry_name.h"

#include <windows.h>

#include <set>

#include "install/recovery/replaced_file.h"
#include "win/path_text.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// "", ".", "..", "...", ". ." and the like: the file system drops trailing dots and blanks,
// so every such level means "here" or "up".
bool IsDotsOnlyLevel(const std::wstring& level) {
    return level.find_first_not_of(L". ") == std::wstring::npos && level.find(L'.') != std::wstring::npos;
}

bool IsRefusedCharacter(wchar_t c) { return c < 0x20 || std::wstring(L":*?\"<>|").find(c) != std::wstring::npos; }

// "CON", "aux.txt", "COM1 .log": the part before the first dot, without trailing blanks.
bool IsDeviceName(const std::wstring& level) {
    std::wstring base = win::UpperCase(level.substr(0, level.find(L'.')));
    base.erase(base.find_last_not_of(L' ') + 1);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'0' && base[3] <= L'9';
}

std::vector<std::wstring> Levels(const std::wstring& name) {
    std::vector<std::wstring> levels(1);
    for (wchar_t c : name) {
        if (IsSeparator(c))
            levels.emplace_back();
        else
            levels.back() += c;
    }
    return levels;
}

size_t LastSeparator(const std::wstring& name) { return name.find_last_of(L"/\\"); }

}  // namespace

bool IsSafeEntryName(const std::wstring& name) {
    if (name.empty() || IsSeparator(name.front())) return false;
    for (wchar_t c : name)
        if (IsRefusedCharacter(c)) return false;
    std::vector<std::wstring> levels = Levels(name);
    if (levels.size() > 1 && levels.back().empty()) levels.pop_back();  // a folder entry's "/"
    for (const std::wstring& level : levels)
        if (level.empty() || IsDotsOnlyLevel(level) || IsDeviceName(level)) return false;
    return true;
}

std::wstring FileSystemKey(const std::wstring& name) {
    std::wstring key;
    for (std::wstring level : Levels(name)) {
        level.erase(level.find_last_not_of(L". ") + 1);
        if (level.empty()) continue;
        if (!key.empty()) key += L'\\';
        key += level;
    }
    return win::UpperCase(key);
}

bool HasCollidingNames(const std::vector<std::wstring>& names) {
    std::set<std::wstring> entries;  // what each entry names
    std::set<std::wstring> files;
    std::set<std::wstring> folders;  // folder entries and every folder a name passes through
    for (const std::wstring& name : names) {
        const std::wstring key = FileSystemKey(name);
        if (!entries.insert(key).second) return true;
        (NamePart(name).empty() ? folders : files).insert(key);
        for (size_t at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1))
            folders.insert(key.substr(0, at));
    }
    for (const std::wstring& file : files)
        if (folders.count(file)) return true;
    // A file's staged copy and backup, and a new folder's staged self, lie beside them under
    // these names while they are installed.
    for (const std::set<std::wstring>* names : {&files, &folders})
        for (const std::wstring& name : *names)
            for (const wchar_t* suffix : {txn::kStagedSuffix, txn::kBackupSuffix}) {
                const std::wstring temporary = name + win::UpperCase(suffix);
                if (entries.count(temporary) || folders.count(temporary)) return true;
            }
    return false;
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
