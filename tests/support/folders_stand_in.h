#pragma once
// Stand-ins for the folder rules until their real implementation is on this branch. Include
// from exactly one source file per test program; remove this file when folders.cpp exists.
#include <windows.h>
#include <shlobj.h>

#include "install/folders.h"

void TrimBlanks(std::wstring& text) {
    while (!text.empty() && text.back() == L' ') text.pop_back();
    if (!text.empty() && text.front() == L' ' && text.size() < 260) text.erase(0, text.find_first_not_of(L' '));
}

bool EnsureFolderExists(std::wstring& folder) {
    TrimBlanks(folder);
    if (folder.empty()) return false;
    if (folder.size() <= 258 && folder.back() != L'\\') folder += L'\\';
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
