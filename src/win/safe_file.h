#pragma once
// Files an administrator's program writes in folders that others may write too (the folder
// the setup was started from, the user's temporary folder, a program folder outside Program
// Files): a name there may have been made a symbolic link, junction or hard link to a system
// file by a less privileged process, and following it would let that process choose what an
// administrator's program writes to.
#include <windows.h>

#include <string>

#include "win/unique_handle.h"

namespace win {

enum class LogMode { Append, Replace };

// Opens (or creates) a log by its full or relative path for writing at its end, or emptied
// (Replace), without ever writing through a link: a name that is a symbolic link or junction,
// that has more than one hard link, that lies in a folder reached through a link to another
// place, or that is no plain disk file is refused, and nothing is written to it. `why` then
// says why (in English, for the other log), or holds the Win32 error of a failed open.
File OpenLogFile(const std::wstring& path, LogMode mode, std::wstring& why);

// A new, empty file for writing that did not exist a moment ago: whatever was at the name
// (a leftover of an interrupted run, or a link planted there) is removed first, never
// followed, and the file is created only if the name is free. Invalid handle on failure, with
// GetLastError() set by the call that failed.
File CreateFreshFile(const std::wstring& path, DWORD flags = FILE_ATTRIBUTE_NORMAL);

// The path in the form that passes the 259-character limit ("\\?\C:\..." or
// "\\?\UNC\server\..."), for the temporary names made beside files at that limit. The path
// must be absolute and plain (no "." or ".." levels, backslashes only).
std::wstring ExtendedPath(const std::wstring& path);

}  // namespace win
