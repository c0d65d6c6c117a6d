#include "install/do_install.h"

#include <windows.h>

#include <algorithm>

#include "install/request/folder_rules.h"
#include "install/request/folders.h"
#include "install/request/installed_version.h"
#include "install/request/program_folder.h"
#include "install/payload/icon_library.h"
#include "install/settings/ini_unicode.h"
#include "install/install_log.h"
#include "install/install_places.h"
#include "install/journal.h"
#include "install/payload/payload.h"
#include "install/payload/staging.h"
#include "install/record/record_keeper.h"
#include "install/record/record_proof.h"
#include "install/recovery/pending_renames.h"
#include "install/recovery/transaction.h"
#include "install/registry/registration.h"
#include "install/settings/settings_file.h"
#include "resources/resource_ids.h"
#include "win/path_text.h"
#include "install/viewer/running_viewer.h"
#include "install/viewer/viewer_rules.h"
#include "win/text.h"

namespace {

// The wizard runs the installation on a thread of its own and names its window as the owner.
HWND BoxOwner(const InstallRequest& request) { return request.owner ? request.owner : ::GetActiveWindow(); }

// A failure as the user learns of it: a box in wizard mode, a log entry in silent mode.
InstallStatus FailWithText(const InstallRequest& request, InstallStatus status, const std::wstring& boxText,
                           const std::wstring& logText) {
    if (request.silent)
        AppendInstallLog(logText);
    else
        ::MessageBoxW(BoxOwner(request), boxText.c_str(), request.caption.c_str(), MB_ICONERROR);
    return status;
}

InstallStatus Fail(const InstallRequest& request, InstallStatus status, UINT messageId, const std::wstring& logText) {
    return FailWithText(request, status, win::LoadStringText(messageId), logText);
}

// Text 10, as the window check of the start writes it.
InstallStatus FailViewerRunning(const InstallRequest& request) {
    return Fail(request, InstallStatus::ViewerRunning, IDS_VIEWER_RUNNING,
                win::Left(win::LoadStringText(IDS_VIEWER_RUNNING), kMaxPathChars));
}

InstallStatus RefuseNewerVersion(const InstallRequest& request, const std::wstring& folder) {
    const ProductVersion setup{kVersionMajor, kVersionMinor};
    const ProductVersion installed = InstalledVersion(folder);
    if (!IsNewerThan(installed, setup)) return InstallStatus::Done;
    Journal().Note(L"setup", L"version " + VersionText(installed) + L" is installed, this setup is " +
                                 VersionText(setup) + L": nothing installed");
    const std::wstring text = L"Eine neuere Version von Lumiscope (" + VersionText(installed) +
                              L") ist bereits installiert. Diese Version (" + VersionText(setup) +
                              L") wurde nicht installiert; es wurde nichts geändert.";
    return FailWithText(request, InstallStatus::NewerInstalled, text, text);
}

void NoteSetup(const std::wstring& text) { Journal().Note(L"setup", text); }

bool NoteIfRunning(const viewer::Place& place) {
    const win::RunningProgram running = viewer::FindRunning(place);
    if (!running.id) return false;
    NoteSetup(win::Format(L"the viewer is running (process %lu, %s): nothing installed",
                          static_cast<unsigned long>(running.id), running.image.c_str()));
    return true;
}

// Asked for on the command line: every viewer is asked to close; it counts only when all of
// them closed and none runs any more, in this session or another.
bool CloseViewer(const viewer::Place& place, std::vector<std::wstring>& reopen) {
    if (!viewer::CloseRunning(place, viewer::kCloseTimeoutMs, NoteSetup, reopen)) {
        NoteSetup(L"the viewer was not closed: nothing installed");
        return false;
    }
    if (::FindWindowW(kViewerWindowClass, nullptr)) {
        NoteSetup(L"the viewer is running (a window of class \"Lumiscope\"): nothing installed");
        return false;
    }
    return !NoteIfRunning(place);
}

// Before anything is changed: the viewer running, in this session or any other (a deployment
// tool runs as SYSTEM, the user's viewer has no window on its desktop), or a later version
// already there. With /closeviewer=1 the version comes first: no viewer is closed for nothing.
InstallStatus CheckWhatIsInstalled(const InstallRequest& request, const viewer::Place& place,
                                   std::vector<std::wstring>& reopen) {
    if (request.closeViewer) {
        const InstallStatus newer = RefuseNewerVersion(request, place.folder);
        if (newer != InstallStatus::Done) return newer;
        return CloseViewer(place, reopen) ? InstallStatus::Done : FailViewerRunning(request);
    }
    if (NoteIfRunning(place)) return FailViewerRunning(request);
    return RefuseNewerVersion(request, place.folder);
}

// Where the viewer runs from: the folder and every file the payload puts there.
viewer::Place ViewerPlace(const PayloadArchive& payload, const std::wstring& folder) {
    viewer::Place place{folder, {}};
    for (const zip::Entry& entry : payload.entries())
        if (!IsFolderEntry(entry)) place.names.push_back(LocalName(entry.name));
    return place;
}

// Text 5 or 11 first, then the folder.
InstallStatus FailWithMessageFirst(const InstallRequest& request, InstallStatus status, UINT messageId,
                                   const std::wstring& folder) {
    return Fail(request, status, messageId, win::LoadStringText(messageId) + L": " + folder);
}

// Files the installation itself puts into the program folder besides the payload.
constexpr size_t kLongestOwnFileName = sizeof("lu_scp64.ini_temp") - 1;

// A folder that names no place of its own, or that no path can hold, is refused before
// anything is created. A folder of blanks only is left to fail at its creation.
bool IsRefusedFolder(std::wstring target) {
    TrimBlanks(target);
    return target.size() > kMaxPathChars || (!target.empty() && !IsAbsoluteFolder(target));
}

// The folder as the log names it before it exists: trimmed, with its backslash.
std::wstring NormalisedText(std::wstring target) {
    TrimBlanks(target);
    if (!target.empty()) AppendBackslashIfRoom(target);
    return target;
}

InstallStatus FailPayload(const InstallRequest& request, const std::wstring& target) {
    return Fail(request, InstallStatus::PayloadFailed, IDS_INSTALL_ERROR,
                target + L": " + win::LoadStringText(IDS_INSTALL_ERROR));
}

int ShowAssociationQuestion(HWND owner, const std::wstring& text, const std::wstring& caption) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
}

// The payload's directory is checked whole before anything is made: a damaged setup, or one
// without the viewer's program, installs nothing at all.
bool LoadPayload(PayloadArchive& payload) {
    JournalPhase phase(phase::kPayload);
    if (!payload.LoadFromResource()) {
        Journal().Failed(phase::kPayload, L"the payload is damaged or cannot be read", 0);
        return false;
    }
    if (payload.HoldsViewer()) return true;
    Journal().Failed(phase::kPayload, L"the payload is damaged: it holds no lu_scp64.exe", 0);
    return false;
}

// Every level a machine's run makes is the administrators' like Program Files, whatever its
// parent; one that existed is checked, and the program folder itself made safe where it can
// be. A user's run makes the user's own folders and has no one to guard them from.
ProgramFolderOutcome PrepareFolder(std::wstring& target, bool acceptUnsafe, int& keepIconLibrary) {
    JournalPhase phase(phase::kFolder);
    const ProgramFolderOutcome outcome = MakeProgramFolder(target, acceptUnsafe);
    if (outcome.state != ProgramFolderState::Ready) return outcome;
    keepIconLibrary = CheckExistingIconLibrary(target);
    if (keepIconLibrary) Journal().Note(phase::kFolder, L"the installed Plugins\\Icons.dll is kept");
    return outcome;
}

constexpr wchar_t kChooseSafeFolder[] =
    L"Wählen Sie einen Ordner, den nur Administratoren ändern dürfen (zum Beispiel unter Program Files)";

// Text 11's first line, the folder and why: the rest of text 11 (check your rights, make the
// folder by hand) would mislead here, and the advice must fit into the entry's 519 characters.
InstallStatus FailUnsafeFolder(const InstallRequest& request, const std::wstring& target, const std::wstring& level) {
    std::wstring title = win::LoadStringText(IDS_CANNOT_CREATE);
    title.resize(std::min(title.find(L'\n'), title.size()));
    const std::wstring box = title + L"\n\nAndere Benutzer als Administratoren dürfen " + level +
                             L" löschen, umbenennen oder übernehmen.\n\n" + kChooseSafeFolder +
                             L". Das Risiko bestätigen können Sie nur bei einer Installation mit /silent und "
                             L"/unsafefolder=1.";
    const std::wstring log = title + L": " + target + L": andere Benutzer als Administratoren dürfen " + level +
                             L" löschen, umbenennen oder übernehmen. " + kChooseSafeFolder +
                             L", oder bestätigen Sie das Risiko mit /unsafefolder=1.";
    return FailWithText(request, InstallStatus::FolderNotCreated, box, log);
}

// Nothing is put in place before every file of the payload was written beside it and checked.
// An earlier removal may have left its own file and the program folder to be deleted at the
// next restart; the files about to be put there must outlive that restart.
bool KeepFromRestart(const PayloadArchive& payload, const std::wstring& target, txn::Transaction& transaction) {
    JournalPhase phase(phase::kPayload);
    std::vector<std::wstring> written{target + record::kRecordFileName};
    for (const zip::Entry& entry : payload.entries())
        if (!IsFolderEntry(entry)) written.push_back(target + LocalName(entry.name));
    return txn::KeepFromPendingRenames(written, transaction);
}

// `held` names a file that another process kept from being replaced.
bool WritePayload(const PayloadArchive& payload, const std::wstring& target, int keepIconLibrary,
                  UnchangedFiles& unchanged, std::wstring& held) {
    JournalPhase phase(phase::kPayload);
    PayloadStaging staging(payload, target, keepIconLibrary, unchanged);
    const bool written = staging.MakeFolders() && staging.Stage() && staging.Commit() && staging.EnterTarget();
    held = staging.heldFile();
    return written;
}

// The viewer's program and the libraries it loads: held, they say that the viewer runs
// (perhaps in another session), whatever else holds them.
bool IsViewerCode(const std::wstring& relative) {
    return !win::EqualsNoCase(relative, L"lm_uninstall.exe") &&
           (win::EndsWithNoCase(relative, L".exe") || win::EndsWithNoCase(relative, L".dll"));
}

std::wstring WriteSettings(InstallRequest& request) {
    JournalPhase phase(phase::kSettings);
    return WriteViewerSettings(request);
}

void ConvertSettingsFile(const std::wstring& settingsIni) {
    JournalPhase phase(phase::kSettings);
    if (!ConvertIniToUnicode(settingsIni))
        Journal().Failed(phase::kSettings, L"not converted to UTF-16: " + settingsIni, ::GetLastError());
}

// The record going in place is the installation's commit: from here on an interruption
// completes it instead of taking it back. A record that cannot be written leaves the
// installation as it is; only the log says so. Its proof goes to the machine's registry once
// it is in place, so that a record that could not be put there leaves the earlier one proven.
void SaveRecord(RecordKeeper& keeper, const std::wstring& target, txn::Transaction& transaction) {
    JournalPhase phase(phase::kRecord);
    DWORD error = 0;
    const bool prepared = keeper.Prepare(target, error);
    transaction.Commit(prepared ? keeper.digest() : std::wstring());
    if (prepared && keeper.PutInPlace(target, error)) {
        Journal().Note(phase::kRecord, L"written: " + target + record::kRecordFileName);
        if (!record::KeepProof(keeper.digest(), error))
            Journal().Failed(phase::kRecord, L"its proof is not kept in the uninstall entry", error);
    } else {
        Journal().Failed(phase::kRecord, L"not written: " + target + record::kRecordFileName, error);
    }
    transaction.Complete();
}

// The installation itself, once nothing stands in its way.
InstallStatus InstallChecked(InstallRequest& request, std::wstring target, const PayloadArchive& payload,
                             RecordKeeper& keeper) {
    // Every change from here on is written ahead, so that a failure, or an end from outside,
    // leaves the machine as it was before.
    txn::Transaction transaction;
    ScopedJournal writingAhead(transaction);
    transaction.Begin(NormalisedText(target));
    int keepIconLibrary = 0;
    const ProgramFolderOutcome folder = PrepareFolder(target, request.unsafeFolder == 1, keepIconLibrary);
    if (folder.state != ProgramFolderState::Ready) {
        transaction.RollBack();
        if (folder.state == ProgramFolderState::Unsafe) return FailUnsafeFolder(request, target, folder.unsafeLevel);
        // The refusal names the folder as it was given, not as the system resolved it.
        return FailWithMessageFirst(request, InstallStatus::FolderNotCreated, IDS_CANNOT_CREATE,
                                    NormalisedText(request.targetFolder));
    }
    // Everything from here on names the folder as it was made (a level's trailing blanks are
    // gone), not as it was typed.
    request.targetFolder = target;
    transaction.Retarget(target);
    UnchangedFiles unchanged;  // held until the run is complete or taken back
    std::wstring held;
    if (!KeepFromRestart(payload, target, transaction) ||
        !WritePayload(payload, target, keepIconLibrary, unchanged, held)) {
        transaction.RollBack();
        if (!held.empty() && IsViewerCode(held)) return FailViewerRunning(request);
        return FailPayload(request, target);
    }

    // From here on nothing makes the installation fail.
    if (request.allUsers && !Places().allUsersLinks)
        Journal().Note(L"setup", L"/allusers=1 has no effect: a per-user installation makes links for this user only");
    const std::wstring settingsIni = WriteSettings(request);
    ConfirmAssociations(request, ShowAssociationQuestion);
    RegisterViewer(request.associate, request.targetFolder, request.startMenuGroup, request.desktopShortcut,
                   request.thumbnailsShortcut, request.allUsers, request.assocSelection);
    ConvertSettingsFile(settingsIni);
    SaveRecord(keeper, target, transaction);
    if (request.silent) unchanged.HoldUntilExit();
    return InstallStatus::Done;
}

}  // namespace

void ConfirmAssociations(InstallRequest& request, AskQuestion ask) {
    if (request.silent || !request.associate) return;
    if (ask(BoxOwner(request), win::LoadStringText(IDS_ASSOC_QUESTION), request.caption) != IDNO) return;
    request.associate = 0;
    request.assocSelection.fill(0);
}

InstallStatus RunInstall(InstallRequest& request) {
    RecordKeeper keeper;
    ScopedJournal listening(keeper);
    std::wstring target = request.targetFolder;
    if (target.empty() || IsRefusedFolder(target))
        return FailWithMessageFirst(request, InstallStatus::InvalidFolder, IDS_INVALID_FOLDER, target);
    // From here on the folder is the one place it names, whatever way it was typed.
    if (!MakeCanonicalFolder(target))
        return FailWithMessageFirst(request, InstallStatus::InvalidFolder, IDS_INVALID_FOLDER, request.targetFolder);
    // The payload's directory is checked before the first folder is made, and the folder must
    // leave room for the payload's longest path.
    PayloadArchive payload;
    if (!LoadPayload(payload)) return FailPayload(request, NormalisedText(target));
    if (!LeavesRoomFor(target, std::max(payload.LongestName(), kLongestOwnFileName)))
        return FailWithMessageFirst(request, InstallStatus::InvalidFolder, IDS_INVALID_FOLDER, request.targetFolder);
    const viewer::Place place = ViewerPlace(payload, NormalisedText(target));
    std::vector<std::wstring> reopen;
    InstallStatus status = CheckWhatIsInstalled(request, place, reopen);
    if (status == InstallStatus::Done) status = InstallChecked(request, target, payload, keeper);
    // What was closed is started again whatever the outcome: the user had it open.
    viewer::StartAgain(place.folder, reopen, NoteSetup);
    return status;
}
