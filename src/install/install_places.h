#pragma once
// Where an installation of one scope keeps everything: the registry root of each registration
// table, the uninstall entry, the store of the transaction log and the name of the lock, the
// shortcut folders' choice, the access of the folders it makes and whether anything may be
// left for the next restart. Resolved once, at the door of the setup or the uninstaller, from
// the scope; every step takes its places from this value instead of asking for the scope.
//
// The registration tables are written in the machine's terms (HKLM\SOFTWARE\..., the classes
// below HKLM\SOFTWARE\Classes); `Placed` moves a table's write to where this scope keeps it.
#include <string>

#include "install/registry/registry_ops.h"

enum class Scope { Machine, User };

struct InstallPlaces {
    Scope scope = Scope::Machine;
    // The uninstall entry (and the record's proof in it).
    reg::Root entryRoot = reg::Root::LocalMachine;
    std::wstring entryKey;
    // The transaction log's key and the text that names it.
    reg::Root logRoot = reg::Root::LocalMachine;
    std::wstring logKey;
    std::wstring logKeyText;
    // The installation lock: the mutex's name where the system has no private namespaces, and
    // the access of the mutex as SDDL text.
    std::wstring lockName;
    std::wstring lockSddl;
    // Links for all users may be made (the "/allusers=1" choice).
    bool allUsersLinks = true;
    // Files and folders still in use may be left to the next restart (the machine's list).
    bool restartDeletes = true;
    // The folders made for the program get the administrators' access of Program Files;
    // otherwise they inherit their parent's.
    bool protectedFolders = true;
    // The access text of a folder made for the program; null: its parent's.
    const wchar_t* FolderSddl() const;

    // A registration table's write as this scope makes it.
    reg::Write Placed(reg::Write write) const;
    // The key a table names (root and key in the machine's terms) in this scope.
    void Place(reg::Root& root, std::wstring& key) const;
    // Whether this scope writes a table's write as Placed gives it: a user's run writes
    // nothing below HKLM (the machine's event-log source has no place of the user's).
    bool Keeps(const reg::Write& placed) const { return scope == Scope::Machine || placed.root != reg::Root::LocalMachine; }
    // The other way: the machine's terms of a key of this scope; false when the key lies
    // outside the places this scope's tables use (the user's choices and HKCU in machine scope
    // are not a table's machine keys).
    bool InMachineTerms(reg::Root& root, std::wstring& key) const;
};

// The places of each scope; `userSid` names the user's lock ("S-1-5-21-...").
InstallPlaces MachinePlaces();
InstallPlaces UserPlaces(const std::wstring& userSid);

// The places of this run: the machine's until a ScopedPlaces says otherwise.
const InstallPlaces& Places();

// Puts `places` in force for its lifetime (the run); the one before comes back after.
class ScopedPlaces {
public:
    explicit ScopedPlaces(const InstallPlaces& places);
    ~ScopedPlaces();
    ScopedPlaces(const ScopedPlaces&) = delete;
    ScopedPlaces& operator=(const ScopedPlaces&) = delete;

private:
    const InstallPlaces* m_before;
};
