#pragma once
// Rules for the names, methods and flags of payload archive entries. Pure text rules, kept
// apart from the archive reader so that they are checked without any files.
#include <string>

// An entry name must fit 520 raw bytes and 324 UTF-16 units, terminators included.
constexpr size_t kMaxEntryNameBytes = 519;
constexpr size_t kMaxEntryNameChars = 323;

// True when the relative name cannot leave the target folder: not empty, no colon (drive
// or stream), no leading separator and no level made only of dots and blanks (which the
// file system would read as "." or ".."). Slash and backslash count alike.
bool IsSafeEntryName(const std::wstring& name);

// True when the name, lower-cased in the ASCII letters only, contains "icons.dll".
bool NamesIconLibrary(const std::string& rawName);

// What follows the last "/" or "\": empty for a folder entry.
std::wstring NamePart(const std::wstring& name);

// What precedes the last "/" or "\": empty when the name has no folder part.
std::wstring FolderPart(const std::wstring& name);

// Only stored (0) and deflated (8) entries without the encryption flag are unpacked; the
// unzip layer would hand out other methods' raw bytes unchecked.
bool IsSupportedEntry(unsigned long method, unsigned long flags);
