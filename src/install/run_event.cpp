#include "install/run_event.h"

#include "install/request/install_request.h"
#include "win/text.h"

namespace {

// Lines a collection tool can split: the product and program, the scope, the outcome in the
// step log's words, the log to read next.
std::wstring Text(const wchar_t* program, bool perUser, int code, const std::wstring& meaning, const std::wstring& log) {
    std::wstring text = win::Format(L"Lumiscope %d.%d (64-bit) %s\r\nscope: %s\r\nexit code %d: %s", kVersionMajor,
                                    kVersionMinor, program, perUser ? L"user" : L"machine", code, meaning.c_str());
    if (!log.empty()) text += L"\r\nlog: " + log;
    return text;
}

}  // namespace

RunEvent SetupRunEvent(int code, bool perUser, const std::wstring& meaning, const std::wstring& log) {
    RunEvent event;
    event.text = Text(L"Setup", perUser, code, meaning, log);
    if (code == 0) return event;
    event.id = kEventNotInstalled;
    if (code != 5 && code != 10) event.type = EVENTLOG_ERROR_TYPE;
    return event;
}

RunEvent UninstallRunEvent(int code, bool perUser, const std::wstring& meaning, const std::wstring& log) {
    RunEvent event;
    event.id = code == 0 ? kEventRemoved : kEventNotRemoved;
    event.text = Text(L"Uninstaller", perUser, code, meaning, log);
    if (code == 3) event.type = EVENTLOG_WARNING_TYPE;
    else if (code != 0 && code != 5) event.type = EVENTLOG_ERROR_TYPE;
    return event;
}
