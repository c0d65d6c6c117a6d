#include "app/command_line.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "install/registry/file_types.h"
#include "win/path_text.h"

namespace {

bool IsWhiteSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

void TrimTrailingBlanks(std::wstring& text) {
    size_t end = text.find_last_not_of(L' ');
    text.erase(end == std::wstring::npos ? 0 : end + 1);
}

// The value of `option` at its first occurrence, or false when the option is not there.
bool FindOption(const std::wstring& line, const wchar_t* option, std::wstring& value) {
    std::wstring name(option);
    size_t pos = line.find(name);
    if (pos == std::wstring::npos) return false;
    value = ParseSilentOption(line, pos, name.size());
    return true;
}

void ReadFolderOption(const std::wstring& line, const wchar_t* option, std::wstring& field) {
    std::wstring value;
    if (!FindOption(line, option, value)) return;
    if (!value.empty()) TrimBlanksAndQuotes(value);
    field = value;
}

void ReadFlagOption(const std::wstring& line, const wchar_t* option, int& field) {
    std::wstring value;
    if (FindOption(line, option, value)) field = ParseDecimal(value);
}

// 1 selects the image rows, 2 every entry; anything else selects nothing.
void ApplyAssocOption(int choice, InstallRequest& request) {
    if (choice != 1 && choice != 2) return;
    size_t count = choice == 1 ? kImageRowCount : request.assocSelection.size();
    for (size_t i = 0; i < count; ++i) request.assocSelection[i] = 1;
    request.associate = 1;
}

}  // namespace

bool IsSilentCommandLine(const std::wstring& commandLine) {
    return commandLine.find(L"/silent") != std::wstring::npos;
}

bool AsksForHelp(const std::wstring& commandLine) {
    const std::wstring line = win::UpperCase(commandLine.substr(0, kCommandLineChars));
    for (const wchar_t* word : {L"/?", L"/HELP"}) {
        const size_t length = std::wcslen(word);
        for (size_t at = line.find(word); at != std::wstring::npos; at = line.find(word, at + 1)) {
            const size_t end = at + length;
            if (end == line.size() || line[end] == L'/' || IsWhiteSpace(line[end])) return true;
        }
    }
    return false;
}

void TrimBlanksAndQuotes(std::wstring& text) {
    TrimTrailingBlanks(text);
    if (!text.empty() && text.back() == L'"') text.pop_back();
    if (!text.empty() && text.front() == L'"') text.erase(0, 1);
    TrimTrailingBlanks(text);
}

std::wstring ParseSilentOption(const std::wstring& line, size_t optionPos, size_t optionLength) {
    if (optionPos >= line.size()) return std::wstring();
    size_t limit = std::min(kOptionSpanChars, line.size() - optionPos);
    std::wstring value;
    for (size_t i = optionLength; i < limit; ++i) {
        wchar_t c = line[optionPos + i];
        if (c == L'/' || c == L'\0') break;
        value += c;
    }
    return value;
}

int ParseDecimal(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

std::wstring ParseLogOption(const std::wstring& commandLine) {
    std::wstring path;
    ReadFolderOption(commandLine.substr(0, kCommandLineChars), L"/log=", path);
    return path;
}

bool ParseScopeOption(const std::wstring& commandLine, Scope& scope) {
    scope = Scope::Machine;
    std::wstring value;
    if (!FindOption(commandLine.substr(0, kCommandLineChars), L"/scope=", value)) return true;
    value.erase(0, value.find_first_not_of(L' '));
    TrimBlanksAndQuotes(value);
    value.erase(0, value.find_first_not_of(L' '));
    if (win::UpperCase(value) == L"USER") scope = Scope::User;
    return scope == Scope::User || win::UpperCase(value) == L"MACHINE";
}

InstallRequest ParseSilentCommandLine(const std::wstring& commandLine, const std::wstring& targetFolder,
                                      const std::wstring& iniFolder) {
    InstallRequest request;
    request.silent = 1;
    request.caption = kSetupTitle;
    request.targetFolder = targetFolder;
    request.iniFolder = iniFolder;

    const std::wstring line = commandLine.substr(0, kCommandLineChars);
    ReadFolderOption(line, L"/folder=", request.targetFolder);
    ReadFlagOption(line, L"/desktop=", request.desktopShortcut);
    ReadFlagOption(line, L"/thumbs=", request.thumbnailsShortcut);
    ReadFlagOption(line, L"/group=", request.startMenuGroup);
    ReadFlagOption(line, L"/allusers=", request.allUsers);
    int assoc = 0;
    ReadFlagOption(line, L"/assoc=", assoc);
    ApplyAssocOption(assoc, request);
    ReadFolderOption(line, L"/ini=", request.iniFolder);
    ReadFlagOption(line, L"/closeviewer=", request.closeViewer);
    ReadFlagOption(line, L"/unsafefolder=", request.unsafeFolder);
    return request;
}
