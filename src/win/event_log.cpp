#include "win/event_log.h"

#include "win/unique_handle.h"

namespace win {

bool ReportToApplicationLog(const wchar_t* source, WORD type, DWORD id, const std::wstring& text) {
    const EventSource log(::RegisterEventSourceW(nullptr, source));
    if (!log) return false;
    const wchar_t* strings[] = {text.c_str()};
    return ::ReportEventW(log.get(), type, 0, id, nullptr, 1, 0, strings, nullptr) != FALSE;
}

}  // namespace win
