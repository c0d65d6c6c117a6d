#include "in_place.h"

#include <windows.h>

#include <algorithm>

#include "install/record/record_file.h"
#include "install/recovery/installation_lock.h"
#include "uninstall/file_ops.h"
#include "uninstall/undo_report.h"
#include "uninstall/undo_rules.h"
#include "uninstall/uninstall_log.h"
#include "uninstall_run.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/text.h"

namespace {

// What is left of the program once the uninstallation went through: this file and the folders
// the installation made that hold it, deepest first. Read before the record goes.
std::vector<std::wstring> ProgramLeftovers(const std::wstring& self) {
    std::vector<std::wstring> paths = {self};
    record::InstallRecord r;
    if (record::LoadRecord(win::ParentPath(self), r) == record::RecordState::Found)
        for (const auto& folder : undo::PlanFolders(r).last) paths.push_back(folder);
    return paths;
}

// A folder goes at the restart only when nothing but what goes with it is in it: the user's own
// files keep it.
bool HoldsOnly(const std::wstring& folder, const std::vector<std::wstring>& going) {
    for (const std::wstring& entry : undo::FolderEntries(folder))
        if (std::none_of(going.begin(), going.end(), [&](const std::wstring& g) { return win::EqualsNoCase(g, entry); }))
            return false;
    return true;
}

// After a complete uninstallation; a failure to schedule turns the result into "kept".
int ScheduleLeftovers(const std::vector<std::wstring>& paths, const std::wstring& logPath) {
    int code = undo::kExitRemoved;
    undo::UninstallLog log(logPath);
    for (const auto& path : paths) {
        if (!win::PathExists(path) || (win::IsExistingFolder(path) && !HoldsOnly(path, paths))) continue;
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

int RunInPlace(const undo::UninstallOptions& options) {
    const std::wstring self = ModulePath();
    const std::wstring logPath = LogPathFor(options.logPath);
    // One setup or uninstaller at a time; an installation that a killed run left unfinished is
    // repaired before the record is read.
    txn::InstallationLock lock;
    if (!lock.held()) return RefuseAnotherRun(options, logPath);
    RepairEarlierRun(logPath);
    const std::vector<std::wstring> leftovers = ProgramLeftovers(self);
    // Nothing of this process may keep the program folder busy.
    const std::wstring system = win::SystemFilePath(L"");
    if (!system.empty()) ::SetCurrentDirectoryW(system.c_str());

    int code = RunUninstall(options, self, logPath);
    if (code == undo::kExitRemoved) code = ScheduleLeftovers(leftovers, logPath);
    return code;
}
