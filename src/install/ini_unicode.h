#pragma once
// Turning the viewer's settings file from 8-bit text into UTF-16 with a byte-order mark.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The pieces a line reader of 2,047 bytes hands out: lines with their line ends, a longer
// line in several pieces.
std::vector<std::string> SplitIniPieces(const std::string& bytes);

// The converted file: FF FE, the header comment and an empty line, then every piece (up to
// a NUL byte, if it holds one) through `toWide`, all as UTF-16 little-endian bytes.
std::string UnicodeIniBytes(const std::vector<std::string>& pieces,
                            const std::function<std::wstring(const std::string&)>& toWide);

// Converts `iniPath`, already open for reading in byte mode as `file`, which it closes.
// A file that starts with FF FE is left alone. True on success or when nothing had to be
// done; false when the converted copy could not replace the file.
bool ConvertIniToUnicode(const std::wstring& iniPath, std::FILE* file);
