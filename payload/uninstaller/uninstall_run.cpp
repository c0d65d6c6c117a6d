#include "uninstall_run.h"

#include <windows.h>

#include "install/record/record_file.h"
#include "install/recovery/installation_lock.h"
#include "install/recovery/repair.h"
#include "install/run_event.h"
#include "install/user_places.h"
#include "install/viewer/running_viewer.h"
#include "install/viewer/viewer_rules.h"
#include "uninstall/result_message.h"
#include "uninstall/undo.h"
#include "uninstall/undo_rules.h"
#include "uninstall/undo_report.h"
#include "uninstall/uninstall_log.h"
#include "uninstall_dialog.h"
#include "win/desktop_user.h"
#include "win/event_log.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/window_station.h"
#include "win/text.h"

namespace {

using undo::Step;

std::wstring Now() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return win::Format(L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

std::wstring Caption() { return std::wstring(undo::kProductTitle) + L" entfernen"; }

// Says why nothing was done: in the log, and in a box unless silent.
int Refuse(undo::UninstallLog& log, bool silent, int code, const std::wstring& text) {
    log.Line(text);
    log.Line(L"Ergebnis: " + std::to_wstring(code) + L", nichts entfernt");
    if (!silent) ::MessageBoxW(nullptr, text.c_str(), Caption().c_str(), MB_ICONERROR);
    return code;
}

// The record in the program folder is not the one an administrator's run wrote there.
constexpr wchar_t kUnprovenText[] =
    L"Die Aufzeichnung der Installation wurde seit der Installation verändert oder stammt von einer früheren "
    L"Version außerhalb von Program Files. Entfernt wird nur, was sicher zu Lumiscope gehört (Programmdateien, "
    L"Verknüpfungen, eigene Registrierungsschlüssel); nichts wird aus ihr zurückgeschrieben. Dateizuordnungen "
    L"und Einstellungen außerhalb des Programmordners bleiben, wie sie sind.";

std::wstring ResultLine(int code) {
    if (code == undo::kExitRecordUnproven) return L"Ergebnis: 12, entfernt, was sicher zu Lumiscope gehört; nichts zurückgeschrieben";
    return L"Ergebnis: " + std::to_wstring(code) +
           (code == undo::kExitRemoved ? L", vollständig entfernt" : L", entfernt, einiges behalten (siehe BEHALTEN)");
}

void Header(undo::UninstallLog& log, const undo::UninstallOptions& options) {
    log.Line(L"=== " + Caption() + L", " + Now() + (options.silent ? L", still" : L", mit Dialog") +
             (options.purge ? L", mit Einstellungen" : L"") + L" ===");
    if (IsHandedOverRun()) log.Line(L"als Benutzer des Desktops neu gestartet, von einem Lauf mit Administratorrechten");
}

// The viewer as the record knows it: its folder and the files the installation put there. The
// uninstaller is not the viewer: a run of it from the folder is this one, or the one with
// administrator rights that handed a per-user removal over to this one and waits for it.
viewer::Place ViewerPlace(const record::InstallRecord& r, const std::wstring& programFolder) {
    viewer::Place place{programFolder, {}};
    for (const record::RecordedFile& file : r.files)
        if (!win::EqualsNoCase(file.path, undo::kUninstallerName)) place.names.push_back(file.path);
    return place;
}

// Asked for on the command line: the viewer is asked to close and is not started again (its
// program is about to go).
bool CloseViewer(undo::UninstallLog& log, const viewer::Place& place) {
    std::vector<std::wstring> reopen;
    const viewer::Note note = [&log](const std::wstring& text) { log.Line(L"Lumiscope schließen: " + text); };
    return viewer::CloseRunning(place, viewer::kCloseTimeoutMs, note, reopen);
}

}  // namespace

std::wstring SkippedPlaceLine(const std::wstring& place) {
    return L"übersprungen, der Benutzer des Desktops darf dort nicht selbst schreiben: Ordner " + place;
}

std::wstring LogPathFor(const std::wstring& given) {
    if (given.empty()) {
        // The user's temporary folder takes the log only where he could write it himself;
        // elsewhere no log is kept.
        const std::wstring temp = win::TempFolder();
        DWORD error = 0;
        const win::Folder folder = temp.empty() ? win::Folder() : win::Folder::Open(temp, error);
        const bool usable = !temp.empty() && (!folder || win::DesktopUserMay(folder, win::kMayAddFile, error));
        return usable ? temp + undo::kLogFileName : std::wstring();
    }
    const std::wstring full = win::FullPath(given);
    return full.empty() ? given : full;
}

int RefuseRun(const undo::UninstallOptions& options, const std::wstring& logPath, int code, const wchar_t* text) {
    undo::UninstallLog log(logPath);
    Header(log, options);
    // A box where nobody sees it (a service, SYSTEM in session 0) would wait for ever.
    return Refuse(log, options.silent || !win::HasVisibleWindowStation(), code, text);
}

int RefuseWithoutDesktop(const undo::UninstallOptions& options, const std::wstring& logPath) {
    if (options.silent || win::HasVisibleWindowStation()) return -1;
    return RefuseRun(options, logPath, undo::kExitNoDesktop,
                     L"Der Dialog kann in dieser Sitzung nicht angezeigt werden (kein sichtbarer Desktop). "
                     L"Verwenden Sie /silent. Es wurde nichts entfernt.");
}

bool RepairEarlierRun(const std::wstring& logPath) {
    const txn::RepairResult repair = txn::RepairInterruptedInstallation();
    if (repair.lines.empty()) return true;
    undo::UninstallLog log(logPath);
    for (const std::wstring& line : repair.lines) log.Line(L"Reparatur: " + line);
    return !repair.refused;
}

int RunUninstall(const undo::UninstallOptions& options, const std::wstring& self, const std::wstring& logPath) {
    undo::UninstallLog log(logPath);
    Header(log, options);
    const std::wstring programFolder = win::ParentPath(self);
    log.Line(L"Programmordner: " + programFolder);

    record::InstallRecord r;
    const record::RecordState state = record::LoadRecord(programFolder, r);
    switch (state) {
        case record::RecordState::Missing:
            return Refuse(log, options.silent, undo::kExitNothingToUninstall,
                          L"In diesem Ordner wurde keine Installation von " + std::wstring(undo::kProductTitle) +
                              L" gefunden:\n" + programFolder + L"\n\nEs wurde nichts entfernt.");
        case record::RecordState::Damaged:
            return Refuse(log, options.silent, undo::kExitNothingToUninstall,
                          L"Die Aufzeichnung der Installation ist beschädigt oder gehört zu einem anderen Ordner:\n" +
                              record::RecordPathIn(programFolder) + L"\n\nEs wurde nichts entfernt.");
        case record::RecordState::Unproven: log.Line(kUnprovenText); break;
        case record::RecordState::Found: break;
    }

    const viewer::Place place = ViewerPlace(r, programFolder);
    if (options.closeViewer && !CloseViewer(log, place))
        return Refuse(log, options.silent, undo::kExitViewerRunning,
                      L"Warnung: Lumiscope läuft und wurde nicht beendet! Es wurde nichts entfernt.");

    undo::UndoOptions undoOptions;
    undoOptions.purge = options.purge;
    if (options.silent) {
        if (IsViewerRunning())
            return Refuse(log, true, undo::kExitViewerRunning, L"Warnung: Lumiscope läuft! Es wurde nichts entfernt.");
    } else {
        CUninstallDialog dialog(programFolder);
        switch (dialog.Ask()) {
            case DialogChoice::Cancel:
                log.Line(L"Ergebnis: 5, abgebrochen, nichts entfernt");
                return undo::kExitCancelled;
            case DialogChoice::ViewerStillRunning:
                log.Line(L"Ergebnis: 1, Lumiscope läuft, nichts entfernt");
                return undo::kExitViewerRunning;
            case DialogChoice::Remove: undoOptions.purge = dialog.Purge(); break;
        }
    }

    // A program of the folder running in any session (a user's viewer, while this runs as SYSTEM)
    // has no window here; its process still names it.
    const win::RunningProgram running = viewer::FindRunning(place);
    if (running.id)
        return Refuse(log, options.silent, undo::kExitViewerRunning,
                      L"Warnung: Lumiscope läuft! Es wurde nichts entfernt.\n(Prozess " +
                          std::to_wstring(running.id) + L": " + running.image + L")");

    const std::vector<Step> steps =
        undo::UndoInstallation(r, undoOptions, [&log](const Step& step) { log.StepLine(step); });
    int code = undo::ExitCodeFor(steps);
    if (state == record::RecordState::Unproven && code == undo::kExitRemoved) code = undo::kExitRecordUnproven;
    log.Line(ResultLine(code));
    if (!options.silent) {
        std::wstring text = undo::ResultMessage(steps, programFolder, log.IsOpen() ? logPath : std::wstring());
        if (state == record::RecordState::Unproven) text += L"\n\n" + std::wstring(kUnprovenText);
        ::MessageBoxW(nullptr, text.c_str(), Caption().c_str(), code == 0 ? MB_ICONINFORMATION : MB_ICONWARNING);
    }
    return code;
}

void ReportToEventLog(int code, bool perUser, const std::wstring& logPath) {
    const RunEvent event = UninstallRunEvent(code, perUser, undo::ExitCodeMeaning(code), logPath);
    win::ReportToApplicationLog(kEventSourceName, event.type, event.id, event.text);
}
