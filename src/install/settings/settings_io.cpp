#include "install/settings/settings_io.h"

#include <vector>

#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/text.h"

namespace {

std::wstring Wide(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(n > 0 ? n : 0, L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

}  // namespace

bool OpenSettingsPlace(const std::wstring& path, SettingsPlace& place, DWORD& error) {
    place.folder = win::Folder::Open(win::ParentPath(path), error);
    place.path = path;
    place.name = win::LastName(path);
    return static_cast<bool>(place.folder);
}

bool ReadSettingsBytes(const SettingsPlace& place, std::string& bytes, bool& exists, DWORD& error) {
    bytes.clear();
    win::File file = place.folder.OpenFile(place.name, GENERIC_READ, FILE_SHARE_READ, error);
    exists = file || !win::IsNotFound(error);
    if (!file) return !exists;
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        if (got == 0) return true;
        bytes.append(chunk, got);
    }
}

win::File WriteBeside(const SettingsPlace& place, const std::wstring& name, const std::string& bytes, DWORD& error) {
    win::File file = place.folder.NewFile(name, error);
    DWORD written = 0;
    if (!file || (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size()))
        return file;
    error = ::GetLastError();
    win::DeleteByHandle(file.get(), error);  // a half-written copy must not linger
    return win::File();
}

std::wstring DecodeSettingsText(const std::string& bytes, IniEncoding encoding) {
    switch (encoding) {
        case IniEncoding::Utf16Le: {
            std::wstring text;
            for (size_t i = 2; i + 1 < bytes.size(); i += 2)
                text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
            return text;
        }
        case IniEncoding::Utf16Be: {
            std::wstring text;
            for (size_t i = 2; i + 1 < bytes.size(); i += 2)
                text += static_cast<wchar_t>((static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]));
            return text;
        }
        case IniEncoding::Utf8: return Wide(bytes.substr(3), CP_UTF8);
        case IniEncoding::Ansi: break;
    }
    return Wide(bytes, CP_ACP);
}

std::string EncodeSettingsText(const std::wstring& text, IniEncoding encoding) {
    std::string bytes;
    switch (encoding) {
        case IniEncoding::Utf16Le:
        case IniEncoding::Utf16Be: {
            const bool little = encoding == IniEncoding::Utf16Le;
            bytes = little ? "\xFF\xFE" : "\xFE\xFF";
            for (wchar_t c : text) {
                const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
                bytes += little ? low : high;
                bytes += little ? high : low;
            }
            return bytes;
        }
        case IniEncoding::Utf8: return "\xEF\xBB\xBF" + Narrow(text, CP_UTF8);
        case IniEncoding::Ansi: break;
    }
    return Narrow(text, CP_ACP);
}
