#include "in_place.h"

#include <windows.h>

#include "install/recovery/installation_lock.h"
#include "install/recovery/transaction_log.h"
#include "uninstall/undo_report.h"
#include "uninstall_run.h"
#include "win/file_facts.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr wchar_t kEarlierCopies[] = L"Lumiscope_Uninstall_*";

// Earlier versions ran from a copy of the uninstaller in a folder of their own under the
// temporary folder; one that was ended from outside left it there. Such folders go, but only
// as plain folders: one that has become a link to elsewhere is not followed.
void RemoveEarlierCopies() {
    const std::wstring temp = win::TempFolder();
    if (temp.empty()) return;
    WIN32_FIND_DATAW found;
    win::FindHandle search(::FindFirstFileExW((temp + kEarlierCopies).c_str(), FindExInfoBasic, &found,
                                              FindExSearchLimitToDirectories, nullptr, 0));
    if (!search) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            continue;
        const std::wstring folder = temp + found.cFileName;
        ::DeleteFileW((folder + L"\\lm_uninstall.exe").c_str());
        ::RemoveDirectoryW(folder.c_str());
    } while (::FindNextFileW(search.get(), &found));
}

}  // namespace

int RunInPlace(const undo::UninstallOptions& options) {
    const std::wstring self = ModulePath();
    const std::wstring logPath = LogPathFor(options.logPath);
    // Without the rights to keep a transaction log nothing is changed, not even the repair.
    if (!txn::TransactionLog::CanBeKept())
        return RefuseRun(options, logPath, undo::kExitElevationRequired, txn::kElevationRequiredText);
    // One setup or uninstaller at a time; an installation that a killed run left unfinished is
    // repaired before the record is read.
    txn::InstallationLock lock;
    if (!lock.held()) return RefuseRun(options, logPath, undo::kExitAnotherRun, txn::kAnotherRunText);
    if (!RepairEarlierRun(logPath)) return RefuseRun(options, logPath, undo::kExitLogRefused, txn::kLogRefusedText);
    RemoveEarlierCopies();
    // Nothing of this process may keep the program folder busy.
    const std::wstring system = win::SystemFilePath(L"");
    if (!system.empty()) ::SetCurrentDirectoryW(system.c_str());
    return RunUninstall(options, self, logPath);
}
