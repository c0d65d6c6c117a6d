#pragma once
// Rules for the names, methods and flags of payload archive entries. Pure text rules, kept
// apart from the archive reader so that they are checked without any files.
#include <string>
#include <vector>

// An entry name must fit 520 raw bytes and 324 UTF-16 units, terminators included.
constexpr size_t kMaxEntryNameBytes = 519;
constexpr size_t kMaxEntryNameChars = 323;

// True when the relative name cannot leave the target folder and names a plain file or
// folder: not empty, no leading separator, no level made only of dots and blanks (which the
// file system would read as "." or ".."), no character Windows refuses in a name (colon,
// wildcards, quotes, pipes, angle brackets, control characters) and no device name such as
// "CON" or "nul.txt" (which would write to a device instead of a file). Slash and backslash
// count alike.
bool IsSafeEntryName(const std::wstring& name);

// The name as Windows tells files apart: every level without its trailing dots and blanks
// (the file system drops them), in upper case, levels joined by "\", no trailing separator.
std::wstring FileSystemKey(const std::wstring& name);

// True when two of the names would land on the same file or folder (the same name twice,
// names that differ in case or in trailing dots and blanks), a file would have to be a folder
// of another entry at the same time, or an entry has the name of another's staged copy or
// backup ("<name>.lm-new", "<name>.lm-old") that lie beside it while it is installed.
bool HasCollidingNames(const std::vector<std::wstring>& names);

// True when the name, lower-cased in the ASCII letters only, contains "icons.dll".
bool NamesIconLibrary(const std::string& rawName);

// What follows the last "/" or "\": empty for a folder entry.
std::wstring NamePart(const std::wstring& name);

// What precedes the last "/" or "\": empty when the name has no folder part.
std::wstring FolderPart(const std::wstring& name);

// Only stored (0) and deflated (8) entries without the encryption flag are unpacked; the
// unzip layer would hand out other methods' raw bytes unchecked.
bool IsSupportedEntry(unsigned long method, unsigned long flags);
