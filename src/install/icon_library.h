#pragma once
// Whether an installed Plugins\Icons.dll may be replaced by the payload's copy.
#include <string>

// Reads the version text ("%d.%d%d" of product version and file build) and, when `company`
// is given, the US-English CompanyName. False when no fixed version information is readable.
bool ReadVersionInfo(const std::wstring& path, std::wstring& version, std::wstring* company);

// 1 keeps the installed icon library, 0 lets the payload overwrite it. `targetFolder` ends
// with a backslash; its Plugins subfolder is made to exist.
int CheckExistingIconLibrary(const std::wstring& targetFolder);
