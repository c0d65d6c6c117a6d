#include "uninstall/uninstall_options.h"

#include <cwchar>


namespace undo {
namespace {

// Where the options begin: after the program's name, quoted or not.
size_t OptionsStart(const std::wstring& line) {
    if (!line.empty() && line[0] == L'"') {
        size_t close = line.find(L'"', 1);
        return close == std::wstring::npos ? line.size() : close + 1;
    }
    size_t blank = line.find_first_of(L" \t");
    return blank == std::wstring::npos ? line.size() : blank;
}

bool HasOption(const std::wstring& options, const wchar_t* name) { return options.find(name) != std::wstring::npos; }

// Blanks around the value, then one pair of quotes (or either one of them), then blanks inside.
void TrimBlanksAndQuotes(std::wstring& value) {
    auto trim = [&] {
        value.erase(0, value.find_first_not_of(L' '));
        value.erase(value.find_last_not_of(L' ') + 1);
    };
    trim();
    if (!value.empty() && value.back() == L'"') value.pop_back();
    if (!value.empty() && value.front() == L'"') value.erase(0, 1);
    trim();
}

std::wstring OptionValue(const std::wstring& options, const std::wstring& name) {
    size_t pos = options.find(name);
    if (pos == std::wstring::npos) return std::wstring();
    size_t start = pos + name.size();
    size_t end = options.find(L'/', start);
    std::wstring value = options.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    TrimBlanksAndQuotes(value);
    return value;
}

}  // namespace

UninstallOptions ParseUninstallOptions(const std::wstring& commandLine) {
    const std::wstring options = commandLine.substr(OptionsStart(commandLine));
    UninstallOptions parsed;
    parsed.silent = HasOption(options, L"/silent");
    parsed.purge = HasOption(options, L"/purge");
    parsed.logPath = OptionValue(options, L"/log=");
    parsed.closeViewer = std::wcstol(OptionValue(options, L"/closeviewer=").c_str(), nullptr, 10) != 0;
    return parsed;
}


}  // namespace undo
