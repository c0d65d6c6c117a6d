#pragma once
// Which running programs are the viewer, and what a viewer's window says it has open. Pure
// text rules, apart from the process list and the windows they are applied to.
#include <windows.h>

#include <string>
#include <vector>

namespace viewer {

// How long the viewers are given, from the first question, to close by themselves: long
// enough for a user to answer a viewer's own question about unsaved work.
constexpr DWORD kCloseTimeoutMs = 30000;

// True when the program file `image` (a final path) is one the installation in `folder`
// replaces or owns: one of `names` (relative to the folder, "\" or "/" separators, as the
// payload or the record names its files) that is a program or a library (.exe, .dll). A
// program elsewhere below the folder, or in one of its folders the names do not reach,
// never counts; neither does anything when the folder is empty.
bool IsViewerImage(const std::wstring& image, const std::wstring& folder, const std::vector<std::wstring>& names);

// The file a viewer's window has open, from its title "Lumiscope - <full path>": the path,
// when it is an absolute plain path of at most 259 characters; else empty (no file, or
// nothing the viewer could be started with again).
std::wstring OpenFileFromTitle(const std::wstring& title);

// The parameters that start the viewer again with `file` (quoted), or with nothing.
std::wstring StartParameters(const std::wstring& file);

}  // namespace viewer
