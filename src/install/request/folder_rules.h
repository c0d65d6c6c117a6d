#pragma once
// The text side of the folder rules: what a path becomes, without touching the file system
// or the registry, so that the rules can be checked on their own.
#include <string>
#include <vector>

// Appends a backslash when the text does not end with one and has at most 258 characters
// (a 259-character path keeps its last character and gets none).
void AppendBackslashIfRoom(std::wstring& folder);

// Drive and folder part of a path: what precedes its file name (a backslash is not added).
std::wstring DriveAndFolder(const std::wstring& path);

// The default target folder for a Program Files folder read from the registry, or the
// fallback "C:\Lumiscope\" when there is none or the result would exceed 259 characters.
std::wstring DefaultFolderFromProgramFiles(const std::wstring* programFiles);

// The default target folder of a user's installation: the user's program-files folder, or
// where the system names none (Wine), the local application data plus "Programs"; then
// "Lumiscope". Empty when neither is an absolute folder or the result exceeds 259 characters.
std::wstring UserDefaultFolder(const std::wstring& userProgramFiles, const std::wstring& localAppData);

// The folder of the viewer whose registered open command is `command` (the quoted
// executable path, a blank and the quoted "%1"); false when it names no lu_scp64.exe.
bool ViewerFolderFromOpenCommand(const std::wstring& command, std::wstring& folder);

// True for a folder that names the same place from wherever it is used: a drive letter, a
// colon and a backslash ("C:\..."), or a network path ("\\server\..."). "Apps\X", "C:Apps"
// and "\Apps" depend on the caller's current directory or drive, and "\\?\" and "\\.\"
// paths name devices; none of them can be registered as the viewer's folder.
bool IsAbsoluteFolder(const std::wstring& folder);

// True when the folder (blank-trimmed, with its backslash) leaves room within 259 characters
// for a relative path of `longestName` characters below it.
bool LeavesRoomFor(const std::wstring& folder, size_t longestName);

// Rebuilds `folder` level by level, trimming the blanks of every level, and lists each level
// in `levels` as it is reached, for creation in that order. A network path keeps its two
// leading backslashes. Only the first 259 characters are looked at.
std::wstring RebuildFolderLevels(const std::wstring& folder, std::vector<std::wstring>& levels);
