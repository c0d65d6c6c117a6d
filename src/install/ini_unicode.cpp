#include "install/ini_unicode.h"

#include <windows.h>

#include "install/settings_file.h"
#include "win/unique_handle.h"

namespace {

constexpr size_t kPieceBytes = 2047;
constexpr int kPieceChars = 2048;
constexpr wchar_t kHeader[] = L"; UNICODE FILE - edit with care ;-)\r\n\r\n";
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

std::string ReadRest(std::FILE* file) {
    std::string bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, n);
    return bytes;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    win::StdioFile out(::_wfopen(path.c_str(), L"wb"));
    if (!out) return false;
    std::fwrite(bytes.data(), 1, bytes.size(), out.get());
    return true;
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

std::string UnicodeIniBytes(const std::vector<std::string>& pieces,
                            const std::function<std::wstring(const std::string&)>& toWide) {
    std::string bytes = "\xFF\xFE";
    AppendUtf16(kHeader, bytes);
    for (const std::string& piece : pieces) AppendUtf16(toWide(piece.substr(0, piece.find('\0'))), bytes);
    return bytes;
}

bool ConvertIniToUnicode(const std::wstring& iniPath, std::FILE* file) {
    win::StdioFile input(file);
    if (!input) return true;
    unsigned char mark[2] = {};
    if (std::fread(mark, 1, 2, input.get()) == 2 && mark[0] == 0xFF && mark[1] == 0xFE) return true;
    std::rewind(input.get());
    std::vector<std::string> pieces = SplitIniPieces(ReadRest(input.get()));
    input.reset();
    // An empty file has nothing to convert: no copy is made, so none is left behind.
    if (pieces.empty()) return true;

    std::wstring tempPath;
    FolderOfPath(iniPath, tempPath);
    tempPath += kTempName;
    if (!WriteAll(tempPath, UnicodeIniBytes(pieces, AnsiToWide))) return true;
    return ::MoveFileExW(tempPath.c_str(), iniPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}
