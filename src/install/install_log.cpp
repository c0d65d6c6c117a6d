#include "install/install_log.h"

#include <windows.h>

#include "install/journal.h"
#include "install/request/install_request.h"
#include "win/current_directory.h"
#include "win/safe_file.h"
#include "win/text.h"

namespace {

constexpr size_t kSeparatorHyphens = 48;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One byte per character as a text-mode stream would write it: "\n" becomes CR LF.
void AppendLatin1(const std::wstring& text, std::string& bytes) {
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\n') {
            bytes += "\r\n";
        } else if (c <= 0xFF) {
            bytes += static_cast<char>(c);
        } else {
            // A character outside UTF-16's first plane is one "?" too, not two.
            if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
            bytes += '?';
        }
    }
}

}  // namespace

std::string FormatLogEntry(const std::wstring& date, const std::wstring& time, const std::wstring& text) {
    std::string bytes;
    AppendLatin1(date + L" - " + time + L": " + text.substr(0, kLogTextChars) + L"\n", bytes);
    bytes.append(kSeparatorHyphens, '-');
    bytes += "\r\n";
    return bytes;
}

std::wstring CurrentLogDate() {
    wchar_t buffer[256] = {};
    int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, 256);
    return n > 0 ? std::wstring(buffer) : std::wstring();
}

std::wstring CurrentLogTime() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return win::Format(L"%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
}

void AppendInstallLog(const std::wstring& text) {
    std::wstring why;
    win::File log = win::OpenLogFile(kInstallLogName, win::LogMode::Append, why);
    if (!log) {
        Journal().Failed(L"setup", L"install log not written: " + win::CurrentDirectory() + L"\\" + kInstallLogName +
                                       L": " + why, 0);
        return;
    }
    // The entry's bytes already carry their CR LF line ends.
    const std::string bytes = FormatLogEntry(CurrentLogDate(), CurrentLogTime(), text);
    DWORD written = 0;
    ::WriteFile(log.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
