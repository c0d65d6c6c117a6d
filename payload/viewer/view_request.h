#pragma once
// What the stand-in viewer was asked to do, worked out from its command line alone.
#include <string>
#include <vector>

namespace viewer {

// The command line without the program's own name: the arguments exactly as given.
std::wstring RawArguments(const std::wstring& commandLine);

// The arguments split at blanks outside double quotes. Quotes only group: a backslash before a
// quote stays a backslash, so the quoted drive "D:\" followed by /thumbs gives two arguments.
std::vector<std::wstring> SplitArguments(const std::wstring& raw);

// The file the viewer was asked to open, as given; empty for the thumbnail view or nothing.
std::wstring RequestedFile(const std::vector<std::wstring>& args);

// Takes the test switch "/refuseclose" (any case) out of `args`; true when it was there.
bool TakeRefuseCloseSwitch(std::vector<std::wstring>& args);

// The text the window shows: the request in words, then the raw arguments.
std::wstring DescribeRequest(const std::vector<std::wstring>& args, const std::wstring& raw);

}  // namespace viewer
