#include "install/step_log.h"

#include "win/safe_file.h"
#include "win/text.h"

namespace {

std::wstring NameText(const std::wstring& name) { return name.empty() ? L"(default)" : L"\"" + name + L"\""; }

double FileTimeMs(const FILETIME& time) {
    return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000.0;
}

// Windows 7 has only the coarse clock; the precise one is looked up where it exists.
FILETIME Now() {
    using PreciseFn = void(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now;
    if (precise)
        precise(&now);
    else
        ::GetSystemTimeAsFileTime(&now);
    return now;
}

}  // namespace

std::wstring DescribeValue(const reg::ValueState& state) {
    if (!state.exists) return L"absent";
    if (state.type == REG_DWORD && state.bytes.size() == sizeof(DWORD))
        return win::Format(L"%lu", *reinterpret_cast<const DWORD*>(state.bytes.data()));
    if ((state.type == REG_SZ || state.type == REG_EXPAND_SZ) && state.bytes.size() % 2 == 0) {
        std::wstring text(reinterpret_cast<const wchar_t*>(state.bytes.data()), state.bytes.size() / 2);
        if (!text.empty() && text.back() == L'\0') text.pop_back();
        return L"\"" + text + L"\"";
    }
    std::wstring hex = win::Format(L"type %lu:", state.type);
    for (BYTE b : state.bytes) hex += win::Format(L" %02x", b);
    return hex;
}

std::wstring DescribeError(DWORD error) {
    if (error == 0) return std::wstring();
    std::wstring text = win::Format(L"Win32 error %lu", error);
    std::wstring meaning = win::ErrorText(error);
    return meaning.empty() ? text : text + L" (" + meaning + L")";
}

bool StepLog::Open(const std::wstring& path, std::wstring& why) {
    m_file = win::OpenLogFile(path, win::LogMode::Replace, why);
    if (!m_file) return false;
    FILETIME created, exited, kernel, user;
    m_startMs = ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)
                    ? FileTimeMs(Now()) - FileTimeMs(created)
                    : 0;
    ::QueryPerformanceFrequency(&m_frequency);
    ::QueryPerformanceCounter(&m_counterStart);
    return true;
}

double StepLog::ElapsedMs() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return m_startMs + static_cast<double>(now.QuadPart - m_counterStart.QuadPart) * 1000.0 /
                           static_cast<double>(m_frequency.QuadPart ? m_frequency.QuadPart : 1);
}

void StepLog::Line(const wchar_t* phase, const std::wstring& text) {
    if (!m_file) return;
    const std::string line =
        win::ToUtf8(win::Format(L"[%10.3f ms] %s: ", ElapsedMs(), phase) + text) + "\r\n";
    // Every line goes out at once: the log of a process that was ended from outside (a
    // deployment tool's time-out, a wizard left open) says exactly how far it got.
    DWORD written = 0;
    ::WriteFile(m_file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void StepLog::PhaseBegins(const wchar_t* phase) {
    m_phase = phase;
    Line(phase, L"begin");
}

void StepLog::PhaseEnds(const wchar_t* phase) {
    Line(phase, L"end");
    m_phase = nullptr;
}

void StepLog::FolderCreated(const std::wstring& path) { Line(Current(), L"created folder " + path); }

void StepLog::FileWritten(const std::wstring& relative, uint64_t size, uint32_t crc) {
    Line(Current(), win::Format(L"wrote %s (%llu bytes, CRC-32 %08lx)", relative.c_str(),
                                static_cast<unsigned long long>(size), static_cast<unsigned long>(crc)));
}

void StepLog::FileLeftAsItWas(const std::wstring& relative, DWORD error) {
    Line(Current(), L"kept " + relative + L" as it was (in use or read-only): " + DescribeError(error));
}

void StepLog::LinkSaved(const std::wstring& path) { Line(Current(), L"saved link " + path); }

void StepLog::LinkNotSaved(const std::wstring& path, HRESULT result) {
    Line(Current(), win::Format(L"link not saved: %s: HRESULT 0x%08lx", path.c_str(), static_cast<unsigned long>(result)));
}

void StepLog::SettingsFileCreated(const std::wstring& path) { Line(Current(), L"created settings file " + path); }

void StepLog::RedirectFileCreated(const std::wstring& path) {
    Line(Current(), L"created " + path + L", which points to the settings folder");
}

void StepLog::Failed(const wchar_t* phase, const std::wstring& what, DWORD error) {
    const std::wstring detail = DescribeError(error);
    Line(phase, L"failed: " + what + (detail.empty() ? L"" : L": " + detail));
}

void StepLog::Note(const wchar_t* phase, const std::wstring& text) { Line(phase, text); }

void StepLog::KeyCreated(reg::Root root, const std::wstring& key) { Line(Current(), L"created key " + reg::KeyText(root, key)); }

void StepLog::KeyDeleted(reg::Root root, const std::wstring& key, const reg::HeldValues& values) {
    Line(Current(), L"deleted key " + reg::KeyText(root, key) + win::Format(L" with %u value(s)", static_cast<unsigned>(values.size())));
}

void StepLog::ValueWritten(reg::Root root, const std::wstring& key, const std::wstring& name,
                           const reg::ValueState& before, const reg::ValueState& written) {
    Line(Current(), L"set " + reg::KeyText(root, key) + L" " + NameText(name) + L" = " + DescribeValue(written) + L" (was " +
                        DescribeValue(before) + L")");
}

void StepLog::WriteRefused(const reg::Write& write, LONG error) {
    Line(Current(), L"refused: " + reg::KeyText(write.root, write.key) + L" " + NameText(write.valueName) + L": " +
                        DescribeError(static_cast<DWORD>(error)));
}
