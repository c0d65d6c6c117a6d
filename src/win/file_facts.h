#pragma once
// What is at a path, as the file system says now.
#include <string>

namespace win {

bool PathExists(const std::wstring& path);
bool IsExistingFile(const std::wstring& path);    // something that is not a folder
bool IsExistingFolder(const std::wstring& path);

}  // namespace win
