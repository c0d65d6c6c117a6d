#pragma once
// What is at a path, as the file system says now.
#include <windows.h>

#include <string>

namespace win {

bool PathExists(const std::wstring& path);
bool IsExistingFile(const std::wstring& path);    // something that is not a folder
bool IsExistingFolder(const std::wstring& path);

// The error says that nothing is at the path (the file or a folder on the way is missing).
inline bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The path made absolute against the current directory; empty when it cannot be.
std::wstring FullPath(const std::wstring& path);
// The temporary folder with its backslash; empty when it cannot be read within 260 characters.
std::wstring TempFolder();

}  // namespace win
