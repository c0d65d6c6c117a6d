#pragma once
// What an uninstallation must leave as it found it, taken before and compared after: the file
// tree of drive C: and the registry keys the product writes to.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace testsupport {

// Every file and folder below C:\ (folders with a trailing backslash), leaving out the Windows
// folder and the folders given.
std::set<std::wstring> FileTree(const std::vector<std::wstring>& excluded);

struct KeyPath {
    HKEY root;
    std::wstring key;
};

// For each key: every key below it with its values (name, type, data), one line each, and
// whether the key above it exists. Absent keys give no line.
std::set<std::wstring> RegistryTree(const std::vector<KeyPath>& keys);

}  // namespace testsupport
