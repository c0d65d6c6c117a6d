#pragma once
// Turning the viewer's settings file into UTF-16 little-endian text with a byte-order mark.
#include <cstdio>
#include <string>
#include <vector>

// The pieces a line reader of 2,047 bytes hands out: lines with their line ends, a longer
// line in several pieces.
std::vector<std::string> SplitIniPieces(const std::string& bytes);

// The converted file: FF FE, the header comment and an empty line, then every piece (up to
// a NUL byte, if it holds one) through `toWide`, all as UTF-16 little-endian bytes.
using PieceToWide = std::wstring (*)(const std::string& piece);
std::string UnicodeIniBytes(const std::vector<std::string>& pieces, PieceToWide toWide);

// What a settings file's first bytes declare: FF FE little-endian UTF-16, FE FF big-endian
// UTF-16, EF BB BF UTF-8; anything else is 8-bit text in the ANSI code page.
enum class IniEncoding { Ansi, Utf16Le, Utf16Be, Utf8 };
IniEncoding DetectIniEncoding(const std::string& bytes);

// A big-endian UTF-16 or UTF-8 file (mark included) as the little-endian file with mark and
// header (the header only when the text does not start with it already). False when the
// bytes after the mark do not read as that encoding.
bool ReencodeUnicodeIni(const std::string& bytes, IniEncoding encoding, std::string& converted);

// Converts `iniPath`, read and replaced through the handle of its folder (a folder or a name
// that leads elsewhere is neither read nor written: false then). A file that starts with FF FE is left alone; other Unicode forms keep every character. A
// file that does not read as text (a NUL byte in 8-bit text, broken UTF-8 or UTF-16) is
// converted only after a copy of it was kept beside it as "<name>.bak". True on success or
// when nothing had to be done; false when the converted copy could not replace the file.
bool ConvertIniToUnicode(const std::wstring& iniPath);
