#pragma once
// The install log of silent runs: why an installation did not happen, one entry per event,
// appended to "Lumiscope_Install.log" in the current directory.
#include <string>

// An entry text holds at most 519 characters; longer texts are cut there.
constexpr size_t kLogTextChars = 519;

// The bytes of one entry: "date - time: text", a line break, 48 hyphens and a line break.
// Line breaks become CR LF; every character is one byte, and characters above U+00FF
// (which one byte cannot hold) are written as "?".
std::string FormatLogEntry(const std::wstring& date, const std::wstring& time, const std::wstring& text);

// The current date in the user's short format (empty when it cannot be formatted) and the
// local time as hh:mm:ss.
std::wstring CurrentLogDate();
std::wstring CurrentLogTime();

// Opens the log by its bare name for appending and writes the entry with the current date
// and time. When the log cannot be opened, or its name is a link (which is never written
// through), the entry is dropped and only the step log says so; the outcome stays the same.
void AppendInstallLog(const std::wstring& text);
