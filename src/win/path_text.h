#pragma once
// Rules for path and registry-name text, as Windows reads such names: compared without regard
// to case, backslash-separated. Text only; nothing here asks the file system.
#include <string>

namespace win {

// Ordinal comparison without regard to case, as the file system and the registry compare names.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);
bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix);
// The text in upper case, as those comparisons see it: a key for sets and maps of names.
std::wstring UpperCase(std::wstring text);

// `path` without one trailing backslash (a drive root "C:\" keeps its own).
std::wstring WithoutTrailingBackslash(const std::wstring& path);
// Everything before the last name of `path`, without trailing backslash; empty at a root.
std::wstring ParentPath(const std::wstring& path);
// The last name of `path`.
std::wstring LastName(const std::wstring& path);
// True when `path` is `folder` itself or lies below it; trailing backslashes do not matter.
bool IsSameOrInside(const std::wstring& folder, const std::wstring& path);

// The number of names below the root of a plain absolute path ("C:\A\B\" has 2, "C:\" and
// "\\server\share\" have 0), or -1 when `path` is not one. A plain path starts with a drive
// letter and ":\" or with "\\server\share", and every name after that is not empty, not "."
// or "..", does not end in a dot or blank (which Windows would strip), and holds no control
// character and none of < > : " / | ? *. One trailing backslash is allowed.
int PlainPathDepth(const std::wstring& path);
// One or more such names separated by backslashes, with no root and no trailing backslash.
bool IsPlainRelativePath(const std::wstring& path);

}  // namespace win
