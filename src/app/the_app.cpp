#include "app/the_app.h"

#include <memory>

#include "app/command_line.h"
#include "app/interactive_start.h"
#include "app/scope_choice.h"
#include "fx/common_controls.h"
#include "install/do_install.h"
#include "install/request/folders.h"
#include "install/install_log.h"
#include "install/install_places.h"
#include "install/journal.h"
#include "install/recovery/installation_lock.h"
#include "install/recovery/repair.h"
#include "install/recovery/temp_copies.h"
#include "install/recovery/transaction_log.h"
#include "install/run_event.h"
#include "install/step_log.h"
#include "install/user_places.h"
#include "resources/resource_ids.h"
#include "win/desktop_user.h"
#include "win/event_log.h"
#include "win/file_facts.h"
#include "win/hardening.h"
#include "win/process_com.h"
#include "win/text.h"
#include "win/user_sid.h"
#include "wizard/run_wizard.h"

TheApp theApp;

namespace {

constexpr size_t kWarningChars = 259;
constexpr wchar_t kInvalidScopeText[] =
    L"Ung\u00fcltiger Wert f\u00fcr /scope: erlaubt sind \"machine\" (f\u00fcr alle Benutzer) und \"user\" "
    L"(nur f\u00fcr den aktuellen Benutzer). Es wurde nichts ge\u00e4ndert.";

int ExitCodeFor(InstallStatus status) {
    switch (status) {
        case InstallStatus::Done: return kExitInstalled;
        case InstallStatus::InvalidFolder: return kExitInvalidFolder;
        case InstallStatus::FolderNotCreated: return kExitFolderNotCreated;
        case InstallStatus::PayloadFailed: return kExitPayloadFailed;
        case InstallStatus::ViewerRunning: return kExitViewerRunning;
        case InstallStatus::NewerInstalled: return kExitNewerInstalled;
    }
    return kExitPayloadFailed;
}

// Installs at once with the options of the command line. A viewer's window refuses the run
// at once, unless /closeviewer=1 asks the engine to close it first.
int RunSilent(const std::wstring& commandLine) {
    // An installed viewer keeps its folder and its settings; a first installation puts the
    // settings into the user's application data.
    std::wstring targetFolder;
    std::wstring iniFolder;
    if (!GetRegisteredViewerFolder(targetFolder)) {
        targetFolder = GetDefaultInstallFolder();
        iniFolder = kAppDataIniFolder;
    }
    InstallRequest request = ParseSilentCommandLine(commandLine, targetFolder, iniFolder);
    if (!request.closeViewer && ::FindWindowW(kViewerWindowClass, nullptr)) {
        AppendInstallLog(win::Left(win::LoadStringText(IDS_VIEWER_RUNNING), kWarningChars));
        Journal().Note(L"setup", L"the viewer is running (a window of class \"Lumiscope\"): nothing installed");
        return kExitViewerRunning;
    }
    return ExitCodeFor(RunInstall(request));
}

const wchar_t* ExitCodeMeaning(int code) {
    switch (code) {
        case kExitInstalled: return L"installed";
        case kExitViewerRunning: return L"not installed: the viewer is running";
        case kExitInvalidFolder: return L"not installed: invalid target folder";
        case kExitFolderNotCreated: return L"not installed: the target folder cannot be created";
        case kExitPayloadFailed: return L"not installed: the payload could not be unpacked";
        case kExitWizardNotInstalled: return L"the wizard ended without installing";
        case kExitAnotherRun: return L"not installed: another setup or uninstaller of the product is running";
        case kExitLogRefused: return L"not installed: an interrupted installation's log names places not the product's";
        case kExitElevationRequired: return L"not installed: no administrator rights";
        case kExitNewerInstalled: return L"not installed: a newer version is installed";
        case kExitNoDesktop: return L"not installed: no visible desktop for the wizard (use /silent)";
        case kExitHelpShown: return L"not installed: the command line's options were shown";
        case kExitInvalidScope: return L"not installed: /scope names neither machine nor user";
        case kExitUserScopeElevated:
            return L"not installed: a per-user installation runs without administrator rights, and this run has them";
    }
    return L"";
}

std::wstring UserDefaultFolderOf(const InstallPlaces& userPlaces) {
    ScopedPlaces asUser(userPlaces);
    return GetDefaultInstallFolder();
}

// A run that changes nothing says why: in the install log, or in a box.
int Refuse(bool silent, int code, const wchar_t* text) {
    Journal().Note(L"setup", std::wstring(ExitCodeMeaning(code)) + L"; nothing changed");
    if (silent)
        AppendInstallLog(text);
    else
        ::MessageBoxW(nullptr, text, kSetupTitle, MB_ICONERROR);
    return code;
}

// `scope` says, once decided, whose installation the run was.
int Run(const std::wstring& commandLine, Scope& decided) {
    const bool silent = IsSilentCommandLine(commandLine);
    // A silent setup shows nothing whatever happens: not even the system's boxes for a drive
    // without a disk or for a crash, which would keep a deployment tool waiting for a click.
    if (silent) ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    if (!silent) {
        fx::LoadCommonControls();
        const int refused = RefuseInteractiveStart(commandLine);
        if (refused >= 0) return refused;
    }
    // Everything the run changes is where its scope keeps it, from the log and the lock on.
    Scope scope = Scope::Machine;
    if (!ParseScopeOption(commandLine, scope)) return Refuse(silent, kExitInvalidScope, kInvalidScopeText);
    const InstallPlaces userPlaces = UserPlaces(win::CurrentUserSid());
    const bool administrator = HasAdministratorRights();
    if (AsksForScope(silent, commandLine, administrator)) {
        const ScopeAnswer answer = AskForScope(UserDefaultFolderOf(userPlaces));
        if (answer == ScopeAnswer::Cancel) return kExitWizardNotInstalled;
        if (answer == ScopeAnswer::AllUsers) return RunElevated(commandLine);
        scope = Scope::User;
    }
    const InstallPlaces places = scope == Scope::User ? userPlaces : MachinePlaces();
    ScopedPlaces inForce(places);
    decided = scope;
    Journal().Note(L"setup", scope == Scope::User ? L"a per-user installation" : L"an installation for the machine");
    if (IsHandedOverRun())
        Journal().Note(L"setup", L"started again as the desktop's user by a run with administrator rights");
    // Still above its user: the hand-over could not be made.
    if (scope == Scope::User && UserRunAboveItsUser())
        return Refuse(silent, kExitUserScopeElevated, txn::kUserScopeElevatedText);
    // A run that could not keep its log (for the machine's scope: in the machine's registry)
    // changes nothing, not even the repair of an earlier run.
    if (scope == Scope::Machine ? !administrator : !txn::TransactionLog::CanBeKept()) return Refuse(silent, kExitElevationRequired, txn::kElevationRequiredText);
    txn::InstallationLock lock;
    if (!lock.held()) return Refuse(silent, kExitAnotherRun, txn::kAnotherRunText);
    // An earlier run that was ended from outside is taken back (or completed) before anything
    // else is looked at: the folder proposed and every state before come after it.
    const txn::RepairResult repair = txn::RepairInterruptedInstallation();
    for (const std::wstring& line : repair.lines) Journal().Note(L"repair", line);
    if (repair.refused) return Refuse(silent, kExitLogRefused, txn::LogRefusedText().c_str());
    // A program an earlier run moved out of its way waits in the temporary folder for this one.
    for (const std::wstring& skipped : txn::RemoveEarlierTempCopies())
        Journal().Note(L"setup", L"skipped, the desktop's user may not write there himself: " + skipped);
    if (silent) return RunSilent(commandLine);
    return RunWizard() ? kExitInstalled : kExitWizardNotInstalled;
}

// A per-user run never uses administrator rights: one that has them where the desktop's user
// has not hands itself over to him before it opens a log or writes an event, and ends with that
// run's code; -1 for a run that goes on itself.
int HandOverUserRun(const std::wstring& commandLine) {
    Scope scope = Scope::Machine;
    if (!ParseScopeOption(commandLine, scope) || scope != Scope::User || !UserRunAboveItsUser()) return -1;
    return RunAgainAsDesktopUser(kExitInternalFault);
}

// One entry in the Application log per run, where administrators look first; a log that
// cannot be written changes nothing of the run.
void ReportToEventLog(int code, Scope scope, const std::wstring& stepLog) {
    const RunEvent event = SetupRunEvent(code, scope == Scope::User, ExitCodeMeaning(code),
                                         stepLog.empty() ? stepLog : win::FullPath(stepLog));
    win::ReportToApplicationLog(kEventSourceName, event.type, event.id, event.text);
}

}  // namespace

BOOL TheApp::InitInstance() {
    win::HardenDllSearchPath();
    const win::ProcessCom com;  // before anything else may use COM
    win::LookForDesktopUserSoon();
    const std::wstring commandLine = ::GetCommandLineW();
    m_exitCode = HandOverUserRun(commandLine);
    if (m_exitCode >= 0) return FALSE;
    // The step log an administrator asked for hears everything from here to the outcome.
    StepLog log;
    const std::wstring logPath = ParseLogOption(commandLine);
    std::wstring why;
    const bool logging = !logPath.empty() && log.Open(logPath, why);
    // A step log whose name is a link is never written through; a silent run says so in the
    // install log, the only other log there is, and goes on as it would have.
    if (!logPath.empty() && !logging && IsSilentCommandLine(commandLine))
        AppendInstallLog(L"Schrittprotokoll nicht geschrieben: " + logPath + L" (" + why + L")");
    std::unique_ptr<ScopedJournal> listening(logging ? new ScopedJournal(log) : nullptr);
    log.Line(L"setup", win::Format(L"Lumiscope %d.%d (64-bit) Setup, command line: %s", kVersionMajor, kVersionMinor,
                                   commandLine.c_str()));
    log.Line(L"setup", win::Format(L"COM security: 0x%08lx", static_cast<unsigned long>(com.security())));
    Scope scope = Scope::Machine;
    m_exitCode = Run(commandLine, scope);
    log.Line(L"setup", win::Format(L"exit code %d: %s", m_exitCode, ExitCodeMeaning(m_exitCode)));
    ReportToEventLog(m_exitCode, scope, logging ? logPath : std::wstring());
    return FALSE;
}
