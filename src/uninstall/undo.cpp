#include "uninstall/undo.h"

#include <windows.h>
#include <shlobj.h>

#include "install/install_places.h"
#include "uninstall/file_ops.h"
#include "uninstall/registry_undo.h"
#include "install/record/record_file.h"
#include "uninstall/undo_rules.h"
#include "uninstall/uninstall_scope.h"
#include "win/file_facts.h"
#include "win/path_text.h"

#include <algorithm>

namespace undo {
namespace {

using record::InstallRecord;

constexpr LONG kAssocChanged = SHCNE_ASSOCCHANGED;
constexpr UINT kFlushNoWait = SHCNF_FLUSH | SHCNF_FLUSHNOWAIT;

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

class Undoer {
public:
    Undoer(const InstallRecord& r, const UndoOptions& options, const StepSink& sink)
        : m_r(r), m_options(options), m_sink(sink), m_folders(PlanFolders(r)),
          m_programFolder(win::WithoutTrailingBackslash(r.programFolder)) {}

    std::vector<Step> Run() {
        m_takenOver = TakenOverProductKeys(m_r);
        if (IsOtherScopeInstalled())
            for (const auto& key : UserChoiceKeys(m_r)) m_takenOver.push_back(key);
        Links();
        Folders(m_folders.afterLinks);
        Registry(false);
        Files();
        Settings();
        Folders(m_folders.afterFiles);
        ProgramFolderLeftovers();
        if (AnyKept(m_steps))
            Note(Verdict::KeptForRetry, Item::Entry, reg::KeyText(Places().entryRoot, Places().entryKey));
        else
            Last();
        ::SHChangeNotify(kAssocChanged, kFlushNoWait, nullptr, nullptr);
        return m_steps;
    }

private:
    void Note(Verdict verdict, Item item, const std::wstring& name, DWORD error = 0,
              const std::wstring& valueName = std::wstring()) {
        Step step;
        step.verdict = verdict;
        step.item = item;
        step.name = name;
        step.valueName = valueName;
        step.error = error;
        m_steps.push_back(step);
        if (m_sink) m_sink(step);
    }
    void Note(const Outcome& outcome, Item item, const std::wstring& name) {
        Note(outcome.verdict, item, name, outcome.error);
    }

    // A link that now points elsewhere belongs to someone else (another installation's link
    // of the same name, or one the user changed).
    void Links() {
        for (auto link = m_r.links.rbegin(); link != m_r.links.rend(); ++link) {
            if (win::PathExists(*link) && !IsLinkStillOurs(LinkTarget(*link), m_programFolder))
                Note(Verdict::LeftChanged, Item::Link, *link);
            else
                Note(DeleteOwnFile(*link), Item::Link, *link);
        }
    }

    void Registry(bool entryPart) {
        for (const RegStep& step : PlanRegistry(m_r, entryPart, m_takenOver)) {
            const Outcome outcome = UndoRegistryStep(step);
            const bool isValue = step.kind == RegStepKind::Value;
            Note(outcome.verdict, isValue ? Item::Value : entryPart ? Item::Entry : Item::Key,
                 reg::KeyText(step.root, step.key), outcome.error, isValue ? step.value->name : std::wstring());
        }
    }

    void Files() {
        for (auto file = m_r.files.rbegin(); file != m_r.files.rend(); ++file) {
            const std::wstring path = InFolder(m_programFolder, file->path);
            if (IsProgramSettingsFile(*file))
                ProgramSettingsFile(path, *file);
            else if (IsUninstallerFile(*file))
                CheckUninstaller(path, *file);
            else
                Note(UndoRecordedFile(path, *file, false), Item::File, path);
        }
    }

    // Recorded as the setup's pointer to the settings elsewhere; rewritten since, it holds the
    // user's settings.
    void ProgramSettingsFile(const std::wstring& path, const record::RecordedFile& file) {
        const Outcome outcome = UndoRecordedFile(path, file, false);
        if (outcome.verdict != Verdict::Changed)
            Note(outcome, Item::File, path);
        else if (m_options.purge)
            Note(DeleteOwnFile(path), Item::Settings, path);
        else
            Note(Verdict::KeptByChoice, Item::Settings, path);
    }

    // The uninstaller goes last; a changed one is kept now, so that the entry stays too.
    void CheckUninstaller(const std::wstring& path, const record::RecordedFile& file) {
        const Outcome check = UndoRecordedFile(path, file, true);
        if (check.verdict != Verdict::Removed) Note(check, Item::Uninstaller, path);
        m_uninstaller = &file;
    }

    void Settings() {
        for (const auto& settings : m_r.settingsFiles) {
            if (ShouldRemoveSettings(settings, m_programFolder, m_options.purge, IsSettingsRedirect(settings)))
                Note(DeleteOwnFile(settings), Item::Settings, settings);
            else if (win::PathExists(settings))
                Note(Verdict::KeptByChoice, Item::Settings, settings);
        }
        // Settings from before the installation are the user's, whatever the options say.
        const std::wstring programSettings = InFolder(m_programFolder, kSettingsName);
        if (win::PathExists(programSettings) && ForeignEntries({programSettings}, m_steps, {}).size() == 1)
            Note(Verdict::KeptByChoice, Item::Settings, programSettings);
    }

    void Added(const std::wstring& path) {
        Note(Verdict::Added, win::IsExistingFolder(path) ? Item::Folder : Item::File, path);
    }

    bool InProgramTree(const std::wstring& path) const { return win::IsSameOrInside(m_programFolder, path); }

    // A folder that could not go because something is still in it: what is there that no
    // step has named is kept (in the program folder) or left (elsewhere).
    void NotEmpty(const std::wstring& folder) {
        const std::vector<std::wstring> entries = FolderEntries(folder);
        if (InProgramTree(folder))
            for (const auto& foreign : ForeignEntries(entries, m_steps, {})) Added(foreign);
        Verdict verdict = Verdict::LeftNotEmpty;
        if (HoldsScheduled(entries, m_steps)) verdict = Verdict::Scheduled;
        else if (!entries.empty() && HoldsOnlyKeptByChoice(entries, m_steps)) verdict = Verdict::KeptByChoice;
        Note(verdict, Item::Folder, folder);
    }

    void Folders(const std::vector<std::wstring>& folders) {
        for (const auto& folder : folders) {
            const Outcome outcome = RemoveFolderIfEmpty(folder);
            if (outcome.verdict == Verdict::LeftNotEmpty)
                NotEmpty(folder);
            else
                Note(outcome, Item::Folder, folder);
        }
    }

    // Before the last steps: whatever the program folder holds besides the record, the
    // uninstaller and the user's settings keeps it, and so keeps the entry.
    void ProgramFolderLeftovers() {
        const bool created = !m_folders.last.empty() && win::EqualsNoCase(m_folders.last.front(), m_programFolder);
        if (!created) return;
        const std::vector<std::wstring> expected = {record::RecordPathIn(m_programFolder), UninstallerPath()};
        for (const auto& foreign : ForeignEntries(FolderEntries(m_programFolder), m_steps, expected)) Added(foreign);
    }

    std::wstring UninstallerPath() const {
        return InFolder(m_programFolder, m_uninstaller ? m_uninstaller->path : std::wstring(kUninstallerName));
    }

    // The record goes after everything else has gone or is scheduled to go, so that a run that
    // is ended on the way can be repeated and finish.
    void Last() {
        Registry(true);
        // Without its entry gone the record stays, so that the uninstallation can be repeated.
        if (AnyKept(m_steps)) return;
        const std::wstring recordPath = record::RecordPathIn(m_programFolder);
        if (m_uninstaller) {
            Outcome outcome = UndoRecordedFile(UninstallerPath(), *m_uninstaller, false);
            // The uninstaller runs from it: it goes at the next restart, or in a user's run, which
            // has no restart list, out of the folder into the temporary one.
            if (outcome.verdict == Verdict::InUse)
                outcome = Places().restartDeletes ? RemoveAtRestart(UninstallerPath()) : MoveToTemp(UninstallerPath());
            Note(outcome, Item::Uninstaller, UninstallerPath());
        }
        ScheduleEmptiedFolders(recordPath);
        Note(DeleteOwnFile(recordPath), Item::Record, recordPath);
        Folders(m_folders.last);
    }

    // The program folder and the folders made around it, when nothing but the record and what
    // goes at the restart is in them, go at the restart too (after what they hold).
    void ScheduleEmptiedFolders(const std::wstring& recordPath) {
        if (!Places().restartDeletes) return;
        std::vector<std::wstring> going = {recordPath};
        for (const Step& step : m_steps)
            if (step.verdict == Verdict::Scheduled) going.push_back(step.name);
        for (const std::wstring& folder : m_folders.last) {
            const std::vector<std::wstring> entries = FolderEntries(folder);
            const bool onlyGoing = std::all_of(entries.begin(), entries.end(), [&](const std::wstring& entry) {
                return std::any_of(going.begin(), going.end(), [&](const std::wstring& g) { return win::EqualsNoCase(g, entry); });
            });
            if (!entries.empty() && onlyGoing && RemoveAtRestart(folder).verdict == Verdict::Scheduled)
                going.push_back(folder);
        }
    }

    const InstallRecord& m_r;
    const UndoOptions& m_options;
    const StepSink& m_sink;
    const FolderPlan m_folders;
    const std::wstring m_programFolder;
    const record::RecordedFile* m_uninstaller = nullptr;
    std::vector<record::RecordedKey> m_takenOver;
    std::vector<Step> m_steps;
};

}  // namespace

std::vector<Step> UndoInstallation(const InstallRecord& r, const UndoOptions& options, const StepSink& sink) {
    return Undoer(r, options, sink).Run();
}

}  // namespace undo
