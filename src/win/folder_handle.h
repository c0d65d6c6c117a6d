#pragma once
// Places as handles. Both programs run as administrator in folders that other processes of the
// user may write (a program folder outside Program Files, %TEMP%, %APPDATA%, the start menu):
// a path string resolved again at every use may lead somewhere else each time, through a link
// planted or swapped in between. So a folder is opened once and checked (a real folder, not a
// reparse point, reached without a link: its final path is the path asked for), and what is
// inside it is made, opened, renamed and deleted relative to that handle, one level at a time,
// never following a reparse point.
//
// Under Wine every handle opens a link's target, even with "open reparse point", and the final
// path names that target; so a name whose final path is not its folder's plus the name is
// taken for a link and left alone (neither used nor deleted: deleting through such a handle
// would delete the target).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/unique_handle.h"

namespace win {

class Folder {
public:
    Folder() = default;

    // An existing folder by its full path. Invalid, with the Win32 error, when it is missing,
    // no folder, a link, or reached through one (ERROR_CANT_ACCESS_FILE for a link). `extra`
    // asks for more access than listing and entering it (READ_CONTROL to read who may do what).
    static Folder Open(const std::wstring& path, DWORD& error, ACCESS_MASK extra = 0);

    // A folder inside this one, by a relative path of one or more levels, each checked as Open
    // checks its folder.
    Folder OpenFolder(const std::wstring& relative, DWORD& error) const;
    // A new folder inside this one (the name must be free), with the given security descriptor
    // (null: inherited), opened so that it can be renamed and filled.
    Folder NewFolder(const std::wstring& name, DWORD& error, PSECURITY_DESCRIPTOR security = nullptr) const;

    // A new file that did not exist a moment ago, for writing and reading, shared for reading
    // only (nobody else can change it while the handle is held). A plain file or a link of
    // its own at the name (a leftover of an interrupted run) is removed first; a name that
    // leads elsewhere refuses it.
    File NewFile(const std::wstring& name, DWORD& error, DWORD share = FILE_SHARE_READ) const;
    // A plain file of its own (not a link, one name only) inside this folder; with `create`
    // made when it is missing. A name that leads elsewhere is refused before anything is read
    // or written (ERROR_CANT_ACCESS_FILE).
    File OpenFile(const std::wstring& name, ACCESS_MASK access, DWORD share, DWORD& error, bool create = false) const;
    // An existing entry by its name, file or folder, for renaming or deleting it (by default):
    // only when the handle is the name itself (a link found so is the link, never its target).
    File OpenEntry(const std::wstring& name, DWORD& error,
                   ACCESS_MASK access = DELETE | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                   DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) const;

    // The entry `from` of this folder, held open as `item` (with DELETE), is renamed through that
    // handle to `to`; `replace` replaces an existing file there. Both names are checked to hold
    // what the handle holds, before and after: Wine renames by the name a handle was opened
    // under, which a process outside the system's rules may have swapped meanwhile. False with
    // the Win32 error (ERROR_CANT_ACCESS_FILE for a swapped name).
    bool Rename(HANDLE item, const std::wstring& from, const std::wstring& to, bool replace, DWORD& error) const;

    // Deletes the entry `name` (a folder with everything in it, never descending into a link).
    // True when nothing of ours is left at the name.
    bool Remove(const std::wstring& name) const;

    HANDLE get() const { return m_handle.get(); }
    // The folder's full path as the system has it (no trailing backslash, no "\\?\").
    const std::wstring& path() const { return m_path; }
    explicit operator bool() const { return static_cast<bool>(m_handle); }
    void reset() { m_handle.reset(); }

private:
    Folder(File handle, std::wstring path) : m_handle(std::move(handle)), m_path(std::move(path)) {}
    File Checked(File made, const std::wstring& name, DWORD& error) const;
    File m_handle;
    std::wstring m_path;
};

// One entry of a folder as a listing saw it: a snapshot that tells where to look, never a fact
// to act on without opening the entry itself.
struct ListedEntry {
    std::wstring name;
    DWORD attributes = 0;
    uint64_t size = 0;
};
// The entries of an open folder, "." and ".." left out, asked in a few calls for the whole
// folder instead of one open per name. False when the folder cannot be read.
bool ListEntries(const Folder& folder, std::vector<ListedEntry>& entries);

// Deletes an open file or empty folder (opened with DELETE) when its last handle closes.
bool DeleteByHandle(HANDLE item, DWORD& error);
// Everything inside the open folder goes, deepest first, never descending into a link; the
// folder itself stays. False when something could not be removed.
bool EmptyFolder(const Folder& folder);

// The attributes of an open file or folder (and how many names it has); INVALID_FILE_ATTRIBUTES
// when they cannot be read.
DWORD AttributesOf(HANDLE handle, DWORD& links);
DWORD AttributesOf(HANDLE handle);

// The path a handle reaches, as "C:\..." or "\\server\...", after every link on the way.
std::wstring FinalPathOf(HANDLE handle);

}  // namespace win
