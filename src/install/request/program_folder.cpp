#include "install/request/program_folder.h"

#include <vector>

#include "install/install_places.h"
#include "install/journal.h"
#include "install/request/folder_access.h"
#include "install/request/folder_rules.h"
#include "install/request/folders.h"
#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/object_access.h"
#include "win/security_descriptor.h"

namespace {

using folder_access::Verdict;

bool g_distrustRunningAccount = false;

// The running account counts as trusted only while it is an administrator (folder_access).
std::wstring TrustedSelf() {
    return !g_distrustRunningAccount && win::IsAdministrator() ? win::ProcessUserSid() : std::wstring();
}

// How many levels name what holds the first level of the path: a drive ("C:") or a share
// ("\\server", "\\server\share").
size_t RootLevels(const std::wstring& folder) { return folder.compare(0, 2, L"\\\\") == 0 ? 2 : 1; }

class LevelWalk {
public:
    explicit LevelWalk(bool acceptUnsafe) : m_self(TrustedSelf()), m_acceptUnsafe(acceptUnsafe) {}
    ProgramFolderOutcome Run(const std::vector<std::wstring>& levels);

private:
    bool OpenRoot(const std::wstring& root, bool programFolder);
    bool Reach(const std::wstring& name, const std::wstring& path, bool programFolder, bool& made);
    bool TakeExisting(win::Folder level, const std::wstring& name, const std::wstring& path, bool programFolder);
    bool MakeSafe(const std::wstring& name, const std::wstring& path, const win::ObjectAccess& before);
    bool Make(const std::wstring& name, const std::wstring& path);
    bool Read(const win::Folder& folder, const std::wstring& path, win::ObjectAccess& access);
    bool Accepted(Verdict verdict, const std::wstring& path);
    bool NotCreated(const std::wstring& what, const std::wstring& path, DWORD error);

    const std::wstring m_self;
    const bool m_acceptUnsafe;
    win::SecurityDescriptor m_protected{Places().FolderSddl()};
    const bool m_judged = Places().protectedFolders;  // a user's own folders need no guard
    win::Folder m_at;             // the level reached
    win::ObjectAccess m_atAccess;  // its owner and access, while it is one that existed
    ProgramFolderOutcome m_outcome;
};

ProgramFolderOutcome LevelWalk::Run(const std::vector<std::wstring>& levels) {
    const size_t rootLevels = RootLevels(levels.front());
    if (levels.size() < rootLevels || !OpenRoot(levels[rootLevels - 1], levels.size() == rootLevels))
        return m_outcome;
    bool made = false;  // below a level the run made, every level is the run's
    for (size_t i = rootLevels; i < levels.size(); ++i) {
        const std::wstring name = levels[i].substr(levels[i - 1].size() + 1);
        if (!(made ? Make(name, levels[i]) : Reach(name, levels[i], i + 1 == levels.size(), made))) return m_outcome;
    }
    m_outcome.state = ProgramFolderState::Ready;
    return m_outcome;
}

// The next level as it exists, checked; or made when it is missing (then `made`). An existing
// level is opened by its full path, checked as every Folder is (no link, reached as asked),
// while the level above is held and so cannot be renamed: the path leads into the held folder.
// (Opened relative to its parent, a volume mounted there looks like a link under Wine.)
bool LevelWalk::Reach(const std::wstring& name, const std::wstring& path, bool programFolder, bool& made) {
    DWORD error = 0;
    win::Folder level = win::Folder::Open(path, error, READ_CONTROL);
    if (level) return TakeExisting(std::move(level), name, path, programFolder);
    if (!win::IsNotFound(error)) return NotCreated(L"cannot open ", path, error);
    if (!Accepted(folder_access::JudgeParent(m_atAccess, m_self), path)) return false;
    made = Make(name, path);
    return made;
}

bool LevelWalk::OpenRoot(const std::wstring& root, bool programFolder) {
    DWORD error = 0;
    m_at = win::Folder::Open(root + L"\\", error, READ_CONTROL);
    if (!m_at) return NotCreated(L"cannot open ", root, error);
    if (!Read(m_at, root, m_atAccess)) return false;
    return !programFolder || Accepted(folder_access::JudgeOwnAccess(m_atAccess, true, true, m_self), root);
}

bool LevelWalk::TakeExisting(win::Folder level, const std::wstring& name, const std::wstring& path,
                             bool programFolder) {
    win::ObjectAccess access;
    if (!Read(level, path, access)) return false;
    if (!Accepted(folder_access::JudgeExistingLevel(access, m_atAccess, programFolder, m_self), path)) return false;
    // Where the risk of the levels above was accepted too, the folder itself is made safe.
    if (m_judged && programFolder && folder_access::JudgeOwnAccess(access, true, false, m_self) == Verdict::MakeSafe &&
        !MakeSafe(name, path, access) && !Accepted(Verdict::Refuse, path))
        return false;
    m_at = std::move(level);
    m_atAccess = std::move(access);
    return true;
}

// One handle and one change where administrators may already change the access list. Else the
// owner first: a folder a user owns may grant administrators nothing, and only its owner (or
// the privilege to take ownership) may then change the list, through a handle opened after.
bool LevelWalk::MakeSafe(const std::wstring& name, const std::wstring& path, const win::ObjectAccess& before) {
    const win::ScopedPrivilege takeOwnership(SE_TAKE_OWNERSHIP_NAME);
    const win::ScopedPrivilege restore(SE_RESTORE_NAME);
    const std::wstring safe = L"O:BA" + std::wstring(win::kProgramFolderSddl);
    DWORD error = 0;
    bool made = false;
    if (const win::File both = m_at.OpenEntry(name, error, WRITE_OWNER | WRITE_DAC | READ_CONTROL))
        made = win::WriteObjectAccess(both.get(), safe, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, error);
    else if (const win::File owner = m_at.OpenEntry(name, error, WRITE_OWNER);
             owner && win::WriteObjectAccess(owner.get(), safe, OWNER_SECURITY_INFORMATION, error))
        if (const win::File access = m_at.OpenEntry(name, error, WRITE_DAC | READ_CONTROL))
            made = win::WriteObjectAccess(access.get(), safe, DACL_SECURITY_INFORMATION, error);
    if (!made) {
        Journal().Failed(phase::kFolder, L"cannot be made safe: " + path, error);
        return false;
    }
    Journal().Note(phase::kFolder, L"made safe (" + safe + L"; kept on a rollback), was " + before.text + L": " + path);
    return true;
}

bool LevelWalk::Make(const std::wstring& name, const std::wstring& path) {
    // Only a level that was missing is announced: one that was there must never be taken for
    // one the installation made. One that appears meanwhile makes the creation fail.
    Journal().WillCreateFolder(path);
    DWORD error = 0;
    win::Folder made = m_at.NewFolder(name, error, m_protected.get());
    if (!made) return NotCreated(L"cannot create ", path, error);
    Journal().FolderCreated(path);
    m_at = std::move(made);
    return true;
}

bool LevelWalk::Read(const win::Folder& folder, const std::wstring& path, win::ObjectAccess& access) {
    DWORD error = 0;
    return win::ReadObjectAccess(folder.get(), access, error) || NotCreated(L"cannot read the access of ", path, error);
}

bool LevelWalk::Accepted(Verdict verdict, const std::wstring& path) {
    if (verdict != Verdict::Refuse || !m_judged) return true;
    const std::wstring what = L"others than administrators may delete, rename or take over " + path;
    if (m_acceptUnsafe) {
        Journal().Note(phase::kFolder, what + L" (accepted with /unsafefolder=1)");
        return true;
    }
    Journal().Failed(phase::kFolder, what, 0);
    m_outcome = {ProgramFolderState::Unsafe, path};
    return false;
}

bool LevelWalk::NotCreated(const std::wstring& what, const std::wstring& path, DWORD error) {
    Journal().Failed(phase::kFolder, what + path, error);
    m_outcome = {ProgramFolderState::NotCreated, std::wstring()};
    return false;
}

}  // namespace

ProgramFolderOutcome MakeProgramFolder(std::wstring& folder, bool acceptUnsafe) {
    TrimBlanks(folder);
    // Longer paths are outside what the system handles: refused untouched, never cut.
    if (folder.empty() || folder.size() > kMaxPathChars) return {};
    AppendBackslashIfRoom(folder);
    std::vector<std::wstring> levels;
    folder = RebuildFolderLevels(folder, levels);
    AppendBackslashIfRoom(folder);
    if (levels.empty()) return {};
    return LevelWalk(acceptUnsafe).Run(levels);
}

void DistrustRunningAccountForTesting(bool distrust) { g_distrustRunningAccount = distrust; }
