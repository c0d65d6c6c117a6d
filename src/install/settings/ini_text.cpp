#include "install/settings/ini_text.h"

#include <vector>

#include "win/path_text.h"

namespace {

struct Line {
    size_t begin;  // where the line starts in the text
    size_t end;    // after its line end
    std::wstring content;  // without the line end
};

std::vector<Line> SplitLines(const std::wstring& text) {
    std::vector<Line> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(L'\n', at);
        end = end == std::wstring::npos ? text.size() : end + 1;
        std::wstring content = text.substr(at, end - at);
        while (!content.empty() && (content.back() == L'\n' || content.back() == L'\r')) content.pop_back();
        lines.push_back({at, end, content});
        at = end;
    }
    return lines;
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The section a line opens ("[name]"), or false.
bool SectionOf(const std::wstring& line, std::wstring& name) {
    const std::wstring trimmed = Trimmed(line);
    const size_t close = trimmed.find(L']');
    if (trimmed.empty() || trimmed[0] != L'[' || close == std::wstring::npos) return false;
    name = Trimmed(trimmed.substr(1, close - 1));
    return true;
}

bool KeyOf(const std::wstring& line, std::wstring& key, std::wstring& value) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return false;
    key = Trimmed(line.substr(0, equals));
    value = Trimmed(line.substr(equals + 1));
    return !key.empty() && key[0] != L';';
}

// Where the section starts (index of its header line) and ends (one past its last entry).
bool FindSection(const std::vector<Line>& lines, const std::wstring& section, size_t& header, size_t& last) {
    std::wstring name;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!SectionOf(lines[i].content, name) || !win::EqualsNoCase(name, section)) continue;
        header = i;
        last = i + 1;
        for (size_t j = i + 1; j < lines.size() && !SectionOf(lines[j].content, name); ++j)
            if (!Trimmed(lines[j].content).empty()) last = j + 1;
        return true;
    }
    return false;
}

bool FindKey(const std::vector<Line>& lines, size_t header, size_t last, const std::wstring& key, size_t& found,
             std::wstring& value) {
    std::wstring name;
    for (size_t i = header + 1; i < last; ++i)
        if (KeyOf(lines[i].content, name, value) && win::EqualsNoCase(name, key)) {
            found = i;
            return true;
        }
    return false;
}

}  // namespace

std::wstring IniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
    const std::vector<Line> lines = SplitLines(text);
    size_t header = 0, last = 0, found = 0;
    std::wstring value;
    if (FindSection(lines, section, header, last) && FindKey(lines, header, last, key, found, value)) {
        if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::wstring();
}

void SetIniValue(std::wstring& text, const std::wstring& section, const std::wstring& key, const wchar_t* value) {
    const std::vector<Line> lines = SplitLines(text);
    const std::wstring entry = value ? key + L"=" + value + L"\r\n" : std::wstring();
    size_t header = 0, last = 0, found = 0;
    std::wstring old;
    if (!FindSection(lines, section, header, last)) {
        if (!value) return;
        if (!text.empty() && text.back() != L'\n') text += L"\r\n";
        text += L"[" + section + L"]\r\n" + entry;
        return;
    }
    if (FindKey(lines, header, last, key, found, old)) {
        text.replace(lines[found].begin, lines[found].end - lines[found].begin, entry);
        return;
    }
    if (!value) return;
    const size_t at = lines[last - 1].end;
    const bool endsLine = at > 0 && text[at - 1] == L'\n';
    text.insert(at, endsLine ? entry : L"\r\n" + entry);
}
