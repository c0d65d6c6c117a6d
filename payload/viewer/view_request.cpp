#include "view_request.h"

#include <cstddef>
#include <cwctype>

namespace viewer {
namespace {

bool IsSwitch(const std::wstring& arg, const wchar_t* expected) {
    size_t i = 0;
    for (; i < arg.size() && expected[i]; ++i)
        if (towlower(arg[i]) != expected[i]) return false;
    return i == arg.size() && !expected[i];
}

bool IsThumbsSwitch(const std::wstring& arg) { return IsSwitch(arg, L"/thumbs"); }

}  // namespace

std::wstring RawArguments(const std::wstring& commandLine) {
    size_t i = 0;
    // The program name ends at its closing quote when quoted, else at the first blank.
    if (i < commandLine.size() && commandLine[i] == L'"') {
        size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
    }
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
    return commandLine.substr(i);
}

std::vector<std::wstring> SplitArguments(const std::wstring& raw) {
    std::vector<std::wstring> args;
    std::wstring current;
    bool quoted = false, started = false;
    for (wchar_t c : raw) {
        if (c == L'"') {
            quoted = !quoted;
            started = true;
        } else if ((c == L' ' || c == L'\t') && !quoted) {
            if (started) args.push_back(current);
            current.clear();
            started = false;
        } else {
            current += c;
            started = true;
        }
    }
    if (started) args.push_back(current);
    return args;
}

std::wstring RequestedFile(const std::vector<std::wstring>& args) {
    if (args.empty() || IsThumbsSwitch(args[0]) || (args.size() == 2 && IsThumbsSwitch(args[1]))) return std::wstring();
    return args[0];
}

bool TakeRefuseCloseSwitch(std::vector<std::wstring>& args) {
    const size_t before = args.size();
    for (size_t i = args.size(); i-- > 0;)
        if (IsSwitch(args[i], L"/refuseclose")) args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
    return args.size() != before;
}

std::wstring DescribeRequest(const std::vector<std::wstring>& args, const std::wstring& raw) {
    std::wstring text;
    if (args.empty())
        text = L"Keine Datei geöffnet";
    else if (args.size() == 1 && IsThumbsSwitch(args[0]))
        text = L"Miniaturansicht";
    else if (args.size() == 2 && IsThumbsSwitch(args[1]))
        text = L"Miniaturansicht von: " + args[0];
    else
        text = L"Datei: " + args[0];
    return text + L"\r\nArgumente: " + raw;
}

}  // namespace viewer
