#pragma once
// Where the viewer goes when nobody says otherwise, and the rules by which every folder path
// is cleaned up, extended and created. Folder paths hold at most 259 characters.
#include <windows.h>
#include <string>

constexpr size_t kMaxPathChars = 259;

// Removes trailing blanks (U+0020 only); then, when the text begins with a blank and is
// shorter than 260 characters, the leading blanks.
void TrimBlanks(std::wstring& text);

// Normalises `folder` in place (trimmed, trailing backslash) and creates every missing level
// by path, as its parent passes on access: for the settings folder, the start-menu group and
// the icon library's folder. True when the folder exists afterwards. The current directory is
// restored. The program folder is made and checked by MakeProgramFolder (program_folder.h).
bool EnsureFolderExists(std::wstring& folder);

// The one name of the place a typed folder means, taken once and used for everything after:
// the blanks of every level trimmed (as EnsureFolderExists trims them), "." and ".." levels
// resolved, with its backslash. False when that is no absolute folder within 259 characters.
// A folder of blanks only becomes empty (it names no place; its creation fails).
bool MakeCanonicalFolder(std::wstring& folder);

// The machine's Program Files folder, as the machine's registry names it.
bool GetProgramFilesFolder(std::wstring& folder);

// The Program Files folder plus "Lumiscope", or "C:\Lumiscope\" when it cannot be read.
std::wstring GetDefaultInstallFolder();

// The folder (with trailing backslash) of the viewer whose open command is registered.
bool GetRegisteredViewerFolder(std::wstring& folder);

// The shell's folder browser, preselecting `folder`; true with the chosen folder (trailing
// backslash) in `folder`, false and `folder` unchanged when cancelled.
bool BrowseForFolder(HWND owner, std::wstring& folder);
