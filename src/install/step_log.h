#pragma once
// The log an administrator asks for with "/log=PATH": one UTF-8 line for every step of the
// installation (files written, folders and links made, registry writes, the record), with
// the Win32 error of anything that failed, and the time since the process started, so that
// slow phases show. Each line: "[<ms> ms] <phase>: <text>"; a phase's first and last lines
// say "begin" and "end".
#include <string>

#include "install/journal.h"
#include "win/unique_handle.h"

class StepLog : public InstallJournal {
public:
    // Creates (or empties) the log; false when it cannot be written or its name is a link
    // (never written through), with the reason in `why`, and nothing is logged.
    bool Open(const std::wstring& path, std::wstring& why);
    // A line outside the installation's phases (the command line, the outcome).
    void Line(const wchar_t* phase, const std::wstring& text);

    void PhaseBegins(const wchar_t* phase) override;
    void PhaseEnds(const wchar_t* phase) override;
    void FolderCreated(const std::wstring& path) override;
    void FileWritten(const std::wstring& relative, uint64_t size, uint32_t crc) override;
    void FileLeftAsItWas(const std::wstring& relative, DWORD error) override;
    void LinkSaved(const std::wstring& path) override;
    void LinkNotSaved(const std::wstring& path, HRESULT result) override;
    void SettingsFileCreated(const std::wstring& path) override;
    void RedirectFileCreated(const std::wstring& path) override;
    void Failed(const wchar_t* phase, const std::wstring& what, DWORD error) override;
    void Note(const wchar_t* phase, const std::wstring& text) override;
    void KeyCreated(reg::Root root, const std::wstring& key) override;
    void KeyDeleted(reg::Root root, const std::wstring& key, const reg::HeldValues& values) override;
    void ValueWritten(reg::Root root, const std::wstring& key, const std::wstring& name, const reg::ValueState& before,
                      const reg::ValueState& written) override;
    void WriteRefused(const reg::Write& write, LONG error) override;

private:
    double ElapsedMs() const;
    const wchar_t* Current() const { return m_phase ? m_phase : L"setup"; }
    win::File m_file;
    const wchar_t* m_phase = nullptr;
    double m_startMs = 0;
    LARGE_INTEGER m_counterStart{};
    LARGE_INTEGER m_frequency{};
};

// How a registry value reads in a log line: "absent", a number, a quoted text or hex bytes.
std::wstring DescribeValue(const reg::ValueState& state);
// "Win32 error 5 (Access is denied.)", or "" for 0.
std::wstring DescribeError(DWORD error);
