#include "win/text.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace win {

std::wstring Format(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = _vsnwprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring LoadStringText(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero length LoadStringW hands out a pointer into the resource itself.
    int n = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, n) : std::wstring();
}

std::wstring SystemFilePath(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring path(folder, n);
    AppendBackslash(path);
    return path + fileName;
}

std::wstring OwnProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) return path.substr(0, n);
        path.resize(path.size() * 2);
    }
}

bool GetEnvironment(const std::wstring& name, std::wstring& value) {
    DWORD n = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (n == 0) return false;
    std::wstring buffer(n, L'\0');
    DWORD got = ::GetEnvironmentVariableW(name.c_str(), buffer.data(), n);
    if (got == 0 || got >= n) return false;
    buffer.resize(got);
    value = buffer;
    return true;
}

std::wstring GetWindowTextString(HWND window) {
    int n = ::GetWindowTextLengthW(window);
    if (n <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    int got = ::GetWindowTextW(window, text.data(), n + 1);
    text.resize(got > 0 ? got : 0);
    return text;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int wide = static_cast<int>(text.size());
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

bool FromUtf8(const std::string& bytes, std::wstring& text) {
    text.clear();
    if (bytes.empty()) return true;
    const int narrow = static_cast<int>(bytes.size());
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), narrow, nullptr, 0);
    if (n <= 0) return false;
    text.resize(n);
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), narrow, text.data(), n) == n;
}

std::wstring ErrorText(DWORD error) {
    wchar_t buffer[512] = {};
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                               512, nullptr);
    std::wstring text(buffer, n < 512 ? n : 0);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

}  // namespace win
