#pragma once
// The viewer's settings file "lu_scp64.ini": where the settings live (the program folder, or
// a settings folder that the program folder's file points to), the German language and a
// toolbar skin that suits the screen.
#include <string>

#include "install/request/install_request.h"

// Longest expanded settings folder; a longer one is refused rather than cut.
constexpr size_t kExpandedFolderChars = 519;

using EnvironmentLookup = bool (*)(const std::wstring& name, std::wstring& value);

// Replaces every %NAME% by the variable's value (nothing when it is not set; "%%" and a
// name without closing "%" run to the end likewise). False, with `expanded` empty, when the
// result would exceed 519 characters or a value has 260 characters or more.
bool ExpandPercentVariables(const std::wstring& text, std::wstring& expanded, EnvironmentLookup lookup);
bool ExpandPercentVariables(const std::wstring& text, std::wstring& expanded);

// Appends the drive and folder of `path` to `text`, with a trailing backslash when `text`
// then has at most 258 characters.
void FolderOfPath(const std::wstring& path, std::wstring& text);

// The settings file in the program folder: the trimmed target folder, a backslash and
// "lu_scp64.ini".
std::wstring ProgramIniPath(const std::wstring& targetFolder);

// A settings file in a folder named "Lumiscope32_App" or "Lumiscope64_App" (with case):
// the program folder's file then carries the language and toolbar defaults too.
bool IsAppFolderLayout(const std::wstring& settingsIni);

// Writes the redirect, language and (when none is set yet) toolbar entries and returns the
// path of the settings file the viewer will use. A silent request without a settings folder
// that installs into the default program folder gets "%APPDATA%\Lumiscope".
std::wstring WriteViewerSettings(InstallRequest& request);
