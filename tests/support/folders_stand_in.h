#pragma once
// Stand-ins for the folder rules while they are not part of this tree; they disappear by
// themselves once they are, so that the real ones are linked. Include from exactly one source
// file per test program. Other test sources of a program may already stand in for
// EnsureFolderExists: define LUMI_STAND_IN_ENSURE_FOLDER only where none does.
#if !__has_include("install/folders.cpp")
#include <windows.h>
#include <shlobj.h>

#include "install/folders.h"

void TrimBlanks(std::wstring& text) {
    while (!text.empty() && text.back() == L' ') text.pop_back();
    if (!text.empty() && text.front() == L' ' && text.size() < 260) text.erase(0, text.find_first_not_of(L' '));
}

#ifdef LUMI_STAND_IN_ENSURE_FOLDER
bool EnsureFolderExists(std::wstring& folder) {
    TrimBlanks(folder);
    if (folder.empty()) return false;
    if (folder.size() <= 258 && folder.back() != L'\\') folder += L'\\';
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
#endif
#endif
