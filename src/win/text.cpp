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

}  // namespace win
