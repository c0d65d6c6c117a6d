#include "in_place.h"

#include <windows.h>

#include "install/recovery/installation_lock.h"
#include "install/recovery/transaction_log.h"
#include "uninstall/undo_report.h"
#include "uninstall/uninstall_scope.h"
#include "uninstall/uninstall_log.h"
#include "uninstall_run.h"
#include "win/desktop_user.h"
#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/path_text.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "win/user_sid.h"

namespace {

constexpr wchar_t kEarlierCopies[] = L"Lumiscope_Uninstall_*";

// Earlier versions ran from a copy of the uninstaller in a folder of their own under the
// temporary folder; one that was ended from outside left it there. Such folders go, through
// handles and only as plain folders: a temporary folder reached through a link is not
// searched, and a copy's folder or file that is a link to elsewhere is not followed. The
// temporary folder is the user's own place: it is searched only where the desktop's user could
// write himself, and a copy goes only where he could delete it himself. What was skipped, for
// the log.
std::wstring RemoveEarlierCopies() {
    const std::wstring tempPath = win::TempFolder();
    DWORD error = 0;
    const win::Folder temp = tempPath.empty() ? win::Folder() : win::Folder::Open(tempPath, error);
    if (!temp) return std::wstring();
    if (!win::DesktopUserMay(temp, win::kMayAddFile | win::kMayAddFolder, error)) return SkippedPlaceLine(temp.path());
    WIN32_FIND_DATAW found;
    win::FindHandle search(::FindFirstFileExW((tempPath + kEarlierCopies).c_str(), FindExInfoBasic, &found,
                                              FindExSearchLimitToDirectories, nullptr, 0));
    if (!search) return std::wstring();
    std::wstring skipped;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
        win::Folder copy = temp.OpenFolder(found.cFileName, error);
        win::File program = copy ? copy.OpenFile(L"lm_uninstall.exe", DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, error)
                                 : win::File();
        if (program && !win::DesktopUserMayDelete(copy, program.get(), error)) {
            skipped += (skipped.empty() ? L"" : L"\r\n") + SkippedPlaceLine(copy.path());
            continue;
        }
        if (program) win::DeleteByHandle(program.get(), error);
        program.reset();
        if (!copy) continue;
        copy.reset();
        win::File folder = temp.OpenEntry(found.cFileName, error);
        const DWORD attributes = folder ? win::AttributesOf(folder.get()) : INVALID_FILE_ATTRIBUTES;
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY &&
            win::DesktopUserMayDelete(temp, folder.get(), error))
            win::DeleteByHandle(folder.get(), error);
    } while (::FindNextFileW(search.get(), &found));
    return skipped;
}

int RunWithLog(const undo::UninstallOptions& options, const std::wstring& logPath, Scope& scope) {
    const std::wstring self = ModulePath();
    const int noDesktop = RefuseWithoutDesktop(options, logPath);
    if (noDesktop >= 0) return noDesktop;
    // The machine's installation, or a user's: its log, lock, entry and registry places.
    scope = undo::ScopeOfFolder(win::ParentPath(self));
    const InstallPlaces places = scope == Scope::User ? UserPlaces(win::CurrentUserSid()) : MachinePlaces();
    ScopedPlaces inForce(places);
    // Without the rights to keep a transaction log nothing is changed, not even the repair.
    if (!txn::TransactionLog::CanBeKept())
        return RefuseRun(options, logPath, undo::kExitElevationRequired, txn::kElevationRequiredText);
    // One setup or uninstaller at a time; an installation that a killed run left unfinished is
    // repaired before the record is read.
    txn::InstallationLock lock;
    if (!lock.held()) return RefuseRun(options, logPath, undo::kExitAnotherRun, txn::kAnotherRunText);
    if (!RepairEarlierRun(logPath)) return RefuseRun(options, logPath, undo::kExitLogRefused, txn::LogRefusedText().c_str());
    const std::wstring skipped = RemoveEarlierCopies();
    if (!skipped.empty()) undo::UninstallLog(logPath).Line(skipped);
    // Nothing of this process may keep the program folder busy.
    const std::wstring system = win::SystemFilePath(L"");
    if (!system.empty()) ::SetCurrentDirectoryW(system.c_str());
    return RunUninstall(options, self, logPath);
}

}  // namespace

int RunInPlace(const undo::UninstallOptions& options) {
    const std::wstring logPath = LogPathFor(options.logPath);
    Scope scope = Scope::Machine;
    const int code = RunWithLog(options, logPath, scope);
    ReportToEventLog(code, scope == Scope::User, logPath);
    return code;
}
