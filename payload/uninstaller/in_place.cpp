#include "in_place.h"

#include <windows.h>

#include "install/recovery/installation_lock.h"
#include "install/recovery/temp_copies.h"
#include "install/recovery/transaction_log.h"
#include "install/user_places.h"
#include "uninstall/undo_report.h"
#include "uninstall/uninstall_scope.h"
#include "uninstall/uninstall_log.h"
#include "uninstall_run.h"
#include "win/path_text.h"
#include "win/text.h"
#include "win/user_sid.h"

namespace {

int RunWithLog(const undo::UninstallOptions& options, const std::wstring& logPath, Scope& scope) {
    const std::wstring self = win::OwnProgramPath();
    const int noDesktop = RefuseWithoutDesktop(options, logPath);
    if (noDesktop >= 0) return noDesktop;
    // The machine's installation, or a user's: its log, lock, entry and registry places.
    scope = undo::ScopeOfFolder(win::ParentPath(self));
    const InstallPlaces places = scope == Scope::User ? UserPlaces(win::CurrentUserSid()) : MachinePlaces();
    ScopedPlaces inForce(places);
    if (scope == Scope::User && UserRunAboveItsUser())  // the hand-over could not be made
        return RefuseRun(options, logPath, undo::kExitUserScopeElevated, txn::kUserScopeElevatedText);
    // Without the rights to keep a transaction log nothing is changed, not even the repair.
    if (!txn::TransactionLog::CanBeKept())
        return RefuseRun(options, logPath, undo::kExitElevationRequired, txn::kElevationRequiredText);
    // One setup or uninstaller at a time; an installation that a killed run left unfinished is
    // repaired before the record is read.
    txn::InstallationLock lock;
    if (!lock.held()) return RefuseRun(options, logPath, undo::kExitAnotherRun, txn::kAnotherRunText);
    if (!RepairEarlierRun(logPath)) return RefuseRun(options, logPath, undo::kExitLogRefused, txn::LogRefusedText().c_str());
    for (const std::wstring& skipped : txn::RemoveEarlierTempCopies())
        undo::UninstallLog(logPath).Line(SkippedPlaceLine(skipped));
    // Nothing of this process may keep the program folder busy.
    const std::wstring system = win::SystemFilePath(L"");
    if (!system.empty()) ::SetCurrentDirectoryW(system.c_str());
    return RunUninstall(options, self, logPath);
}

}  // namespace

int RunInPlace(const undo::UninstallOptions& options) {
    // A per-user removal never uses administrator rights: one that has them where the desktop's
    // user has not hands itself over to him before it writes a log or an event.
    if (undo::ScopeOfFolder(win::ParentPath(win::OwnProgramPath())) == Scope::User && UserRunAboveItsUser()) {
        const int code = RunAgainAsDesktopUser(undo::kExitPartlyKept);
        if (code >= 0) return code;
    }
    const std::wstring logPath = LogPathFor(options.logPath);
    Scope scope = Scope::Machine;
    const int code = RunWithLog(options, logPath, scope);
    ReportToEventLog(code, scope == Scope::User, logPath);
    return code;
}
