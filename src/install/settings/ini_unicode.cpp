#include "install/settings/ini_unicode.h"

#include <windows.h>

#include "install/journal.h"
#include "install/recovery/replaced_file.h"
#include "install/settings/settings_file.h"
#include "install/settings/settings_io.h"
#include "win/file_facts.h"
#include "win/safe_file.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr size_t kPieceBytes = 2047;
constexpr int kPieceChars = 2048;
constexpr wchar_t kHeader[] = L"; UNICODE FILE - edit with care ;-)\r\n\r\n";
constexpr wchar_t kHeaderLine[] = L"; UNICODE FILE - edit with care ;-)";
constexpr wchar_t kTempName[] = L"lu_scp64.ini_temp";

void AppendUtf16(const std::wstring& text, std::string& bytes) {
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
}

std::wstring AnsiToWide(const std::string& piece) {
    if (piece.empty()) return std::wstring();
    std::wstring wide(kPieceChars, L'\0');
    int n = ::MultiByteToWideChar(CP_ACP, 0, piece.data(), static_cast<int>(piece.size()), wide.data(), kPieceChars);
    wide.resize(n > 0 ? n : 0);
    return wide;
}

bool DecodeUtf16Be(const std::string& bytes, std::wstring& text) {
    if (bytes.size() % 2 != 0) return false;
    text.clear();
    for (size_t i = 0; i < bytes.size(); i += 2)
        text += static_cast<wchar_t>((static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]));
    return true;
}

// The little-endian form of the file; `readable` false when it had to be read as 8-bit text
// although it is none (the conversion would then lose what follows a NUL byte).
std::string ConvertedBytes(const std::string& bytes, bool& readable) {
    const IniEncoding encoding = DetectIniEncoding(bytes);
    std::string converted;
    if (encoding != IniEncoding::Ansi && ReencodeUnicodeIni(bytes, encoding, converted)) {
        readable = true;
        return converted;
    }
    readable = encoding == IniEncoding::Ansi && bytes.find('\0') == std::string::npos;
    std::vector<std::string> pieces = SplitIniPieces(bytes);
    // An empty file has nothing to convert: no copy is made, so none is left behind.
    return pieces.empty() ? std::string() : UnicodeIniBytes(pieces, AnsiToWide);
}

// A file that is no text is never overwritten unless a copy of it stays beside it (its bytes
// as read, made anew beside it and renamed into place; one that was there from before is kept
// until the installation is complete).
bool KeepCopyOfUnreadable(const SettingsPlace& place, const std::string& bytes) {
    SettingsPlace copy{win::Folder(), place.path + L".bak", place.name + L".bak"};
    DWORD error = 0;
    const bool existed = place.folder.OpenEntry(copy.name, error, FILE_READ_ATTRIBUTES) || !win::IsNotFound(error);
    Journal().WillReplaceFiles({{copy.path, existed}});
    const win::File staged = WriteBeside(place, copy.name + txn::kStagedSuffix, bytes, error);
    return staged && txn::PutInPlace(place.folder, copy.path, staged.get(), error);
}

}  // namespace

std::vector<std::string> SplitIniPieces(const std::string& bytes) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t lineEnd = bytes.find('\n', start);
        size_t end = lineEnd == std::string::npos ? bytes.size() : lineEnd + 1;
        if (end - start > kPieceBytes) end = start + kPieceBytes;
        pieces.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return pieces;
}

std::string UnicodeIniBytes(const std::vector<std::string>& pieces, PieceToWide toWide) {
    std::string bytes = "\xFF\xFE";
    AppendUtf16(kHeader, bytes);
    for (const std::string& piece : pieces) AppendUtf16(toWide(piece.substr(0, piece.find('\0'))), bytes);
    return bytes;
}

IniEncoding DetectIniEncoding(const std::string& bytes) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return IniEncoding::Utf16Le;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) return IniEncoding::Utf16Be;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return IniEncoding::Utf8;
    return IniEncoding::Ansi;
}

bool ReencodeUnicodeIni(const std::string& bytes, IniEncoding encoding, std::string& converted) {
    std::wstring text;
    bool decoded = encoding == IniEncoding::Utf16Be ? DecodeUtf16Be(bytes.substr(2), text)
                   : encoding == IniEncoding::Utf8  ? win::FromUtf8(bytes.substr(3), text)
                                                     : false;
    if (!decoded) return false;
    converted = "\xFF\xFE";
    if (text.compare(0, wcslen(kHeaderLine), kHeaderLine) != 0) AppendUtf16(kHeader, converted);
    AppendUtf16(text, converted);
    return true;
}

bool ConvertIniToUnicode(const std::wstring& iniPath) {
    SettingsPlace place;
    std::string bytes;
    bool exists = false;
    DWORD error = 0;
    // A folder or a name that leads elsewhere is neither read nor written.
    if (!OpenSettingsPlace(iniPath, place, error) || !ReadSettingsBytes(place, bytes, exists, error)) {
        ::SetLastError(error);
        return error != ERROR_CANT_ACCESS_FILE && win::IsNotFound(error);
    }
    if (!exists || DetectIniEncoding(bytes) == IniEncoding::Utf16Le) return true;

    bool readable = true;
    const std::string converted = ConvertedBytes(bytes, readable);
    if (converted.empty()) return true;
    if (!readable && !KeepCopyOfUnreadable(place, bytes)) return true;

    const win::File temp = WriteBeside(place, kTempName, converted, error);
    if (!temp) return true;
    if (place.folder.Rename(temp.get(), kTempName, place.name, true, error)) return true;
    win::DeleteByHandle(temp.get(), error);
    ::SetLastError(error);
    return false;
}
