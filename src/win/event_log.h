#pragma once
// The system's Application event log, written through a registered event source.
#include <windows.h>

#include <string>

namespace win {

// Writes one entry with `text` as its one insertion string under `source` (a name registered
// below the Application log's key; an unregistered name still writes, the viewer then shows
// the text without its message). False when the log cannot be written; nothing else happens.
bool ReportToApplicationLog(const wchar_t* source, WORD type, DWORD id, const std::wstring& text);

}  // namespace win
