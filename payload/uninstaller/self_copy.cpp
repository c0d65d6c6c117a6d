#include "self_copy.h"

#include <windows.h>

#include "install/record/record_file.h"
#include "uninstall/undo_report.h"
#include "uninstall/undo_rules.h"
#include "uninstall/uninstall_log.h"
#include "uninstall_run.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr int kFolderAttempts = 100;
// A silent uninstallation touches a few hundred items; far beyond that the copy has hung.
constexpr DWORD kSilentWaitMs = 10 * 60 * 1000;
constexpr DWORD kTerminateWaitMs = 10000;
// The system may hold a program's file a moment after the program ended.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    return n > 0 && n <= MAX_PATH ? std::wstring(temp, n) : std::wstring();
}

// A folder made now under the temp folder, so nothing planted there beforehand can be in it.
// It inherits the temp folder's access rights, which keep other users out.
std::wstring MakeFreshFolder() {
    const std::wstring temp = TempFolder();
    if (temp.empty()) return std::wstring();
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const std::wstring folder = temp + win::Format(L"Lumiscope_Uninstall_%08lx_%04x", ::GetCurrentProcessId(),
                                                       static_cast<unsigned>((::GetTickCount() + attempt) & 0xFFFF));
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
    }
    return std::wstring();
}

void ScheduleAtRestart(const std::wstring& path) { ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); }

// The copy of the uninstaller in its private folder; both go when the object does.
class TemporaryCopy {
public:
    explicit TemporaryCopy(const std::wstring& original) : m_folder(MakeFreshFolder()) {
        if (m_folder.empty()) return;
        m_path = m_folder + L"\\" + undo::kUninstallerName;
        if (!::CopyFileW(original.c_str(), m_path.c_str(), TRUE)) m_path.clear();
    }
    ~TemporaryCopy() {
        if (m_folder.empty()) return;
        bool deleted = m_path.empty();
        for (int attempt = 0; !deleted && attempt < kDeleteAttempts; ++attempt) {
            deleted = ::DeleteFileW(m_path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
            if (!deleted) ::Sleep(kDeleteRetryMs);
        }
        if (!deleted) ScheduleAtRestart(m_path);
        if (!::RemoveDirectoryW(m_folder.c_str())) ScheduleAtRestart(m_folder);
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    const std::wstring& path() const { return m_path; }
    const std::wstring& folder() const { return m_folder; }

private:
    std::wstring m_folder;
    std::wstring m_path;
};

// Starts the copy and waits for it; false when it could not be started.
bool RunCopy(const TemporaryCopy& copy, const undo::UninstallOptions& options, int& exitCode) {
    std::wstring commandLine = undo::CopyCommandLine(copy.path(), options);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(copy.path().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          copy.folder().c_str(), &startup, &started))
        return false;
    win::KernelObject process(started.hProcess);
    win::KernelObject thread(started.hThread);
    // The copy shows the dialog; the caller's right to the foreground passes to it.
    ::AllowSetForegroundWindow(started.dwProcessId);
    if (::WaitForSingleObject(process.get(), options.silent ? kSilentWaitMs : INFINITE) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), undo::kExitPartlyKept);
        ::WaitForSingleObject(process.get(), kTerminateWaitMs);
        undo::UninstallLog(options.logPath).Line(L"Abgebrochen: die Deinstallation hat nicht rechtzeitig geendet.");
        exitCode = undo::kExitPartlyKept;
        return true;
    }
    DWORD code = undo::kExitPartlyKept;
    ::GetExitCodeProcess(process.get(), &code);
    exitCode = static_cast<int>(code);
    return true;
}

// What is left of the program once the uninstallation went through: this file and the folders
// the installation made that hold it, deepest first.
std::vector<std::wstring> ProgramLeftovers(const std::wstring& self) {
    std::vector<std::wstring> paths = {self};
    record::InstallRecord r;
    if (record::LoadRecord(win::ParentPath(self), r) == record::RecordState::Found)
        for (const auto& folder : undo::PlanFolders(r).last) paths.push_back(folder);
    return paths;
}

// After a complete uninstallation; a failure to schedule turns the result into "kept".
int ScheduleLeftovers(const std::vector<std::wstring>& paths, const std::wstring& logPath) {
    int code = undo::kExitRemoved;
    undo::UninstallLog log(logPath);
    for (const auto& path : paths) {
        if (!win::PathExists(path)) continue;
        if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            log.Line(L"zum Entfernen beim nächsten Neustart vorgemerkt: " + path);
        } else {
            const DWORD error = ::GetLastError();
            log.Line(win::Format(L"BEHALTEN, konnte nicht zum Entfernen vorgemerkt werden: %s (Fehler %lu: %s)",
                                 path.c_str(), error, win::ErrorText(error).c_str()));
            code = undo::kExitPartlyKept;
        }
    }
    return code;
}

}  // namespace

int RunFromCopy(undo::UninstallOptions options) {
    const std::wstring self = ModulePath();
    options.origin = self;
    options.logPath = LogPathFor(options.logPath);
    const std::vector<std::wstring> leftovers = ProgramLeftovers(self);
    // Nothing of this process may keep the program folder busy.
    const std::wstring temp = TempFolder();
    if (!temp.empty()) ::SetCurrentDirectoryW(temp.c_str());

    int code = undo::kExitPartlyKept;
    {
        TemporaryCopy copy(self);
        if (copy.path().empty() || !RunCopy(copy, options, code)) code = RunUninstall(options);
    }
    if (code == undo::kExitRemoved) code = ScheduleLeftovers(leftovers, options.logPath);
    return code;
}
