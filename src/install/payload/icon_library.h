#pragma once
// Whether an installed Plugins\Icons.dll may be replaced by the payload's copy.
#include <string>

// Reads the version text ("%d.%d%d" of product version and file build) and, when `company`
// is given, the US-English CompanyName. False when no fixed version information is readable.
bool ReadVersionInfo(const std::wstring& path, std::wstring& version, std::wstring* company);
// The first two numbers of the file version ("4,70,0,0" gives 4 and 70); false when unreadable.
bool ReadFileVersion(const std::wstring& path, int& major, int& minor);

// 1 keeps the installed icon library, 0 lets the payload overwrite it. `targetFolder` ends
// with a backslash; its Plugins subfolder is made to exist.
int CheckExistingIconLibrary(const std::wstring& targetFolder);

// The payload's own icon library: anything it can replace is at most this version, and one
// of exactly this version is ours only with exactly this size.
constexpr int kReferenceIconVersion = 4300;
constexpr long long kReferenceIconSize = 226816;

// A version text as an integer: the leading decimal number, narrowed to single precision
// and multiplied by 1000 in single precision, truncated ("4.30" gives 4300, "4.62" 4620).
int VersionNumberFromText(const std::wstring& text);

// What is known of the installed icon library. `fileSize` is -1 when the file cannot be
// read; it is only consulted for the reference version.
struct InstalledIconLibrary {
    bool versionReadable = false;
    int versionNumber = 0;
    long long fileSize = -1;
    std::wstring company;
};

// The keep (1) or replace (0) decision from what was read.
int DecideKeepIconLibrary(const InstalledIconLibrary& installed);
