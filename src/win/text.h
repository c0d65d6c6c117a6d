#pragma once
// Text helpers shared by all subsystems. Text is UTF-16 in std::wstring; the fixed limits
// the product promises (path lengths, command-line length) are applied where they apply,
// never by the size of a raw buffer.
#include <windows.h>
#include <string>

namespace win {

// printf-style formatting into a string of any length.
std::wstring Format(const wchar_t* format, ...);

// A string-table text of this program; empty when the id cannot be loaded.
std::wstring LoadStringText(UINT id);

// The first `maxChars` characters of `text` (all of it when shorter).
inline std::wstring Left(const std::wstring& text, size_t maxChars) {
    return text.size() <= maxChars ? text : text.substr(0, maxChars);
}

inline bool EndsWith(const std::wstring& text, wchar_t c) { return !text.empty() && text.back() == c; }

// Folder paths end with a backslash; appends one when missing.
inline void AppendBackslash(std::wstring& folder) {
    if (!EndsWith(folder, L'\\')) folder += L'\\';
}

// Full path of a file in the system folder (hardening: never let the search path decide).
std::wstring SystemFilePath(const wchar_t* fileName);

// The full path of this process's program; empty when the system does not say.
std::wstring OwnProgramPath();

// Environment variable; false when it is not set.
bool GetEnvironment(const std::wstring& name, std::wstring& value);

// The text of a window (a control's contents).
std::wstring GetWindowTextString(HWND window);

// UTF-8 of `text`; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const std::wstring& text);
// False (and `text` empty) when `bytes` is not valid UTF-8.
bool FromUtf8(const std::string& bytes, std::wstring& text);

// The description the system gives for a Win32 error code, without the line end; empty
// when it has none.
std::wstring ErrorText(DWORD error);

}  // namespace win
