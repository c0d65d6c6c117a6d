#pragma once
// Who owns an open file or folder and whom its access list lets do what, read and written
// through its handle (never by its path again). What is read comes back as plain data, the
// accounts as SID text, so that the rules judging it need no system and can be checked as a
// table. Under Wine every file reads back with a descriptor made from its Unix mode bits and
// what is written is not kept: only the data and the calls can be checked there.
#include <windows.h>

#include <string>
#include <vector>

#include "win/unique_handle.h"

namespace win {

struct AccessEntry {
    bool allow = true;         // false for a deny entry
    std::wstring trustee;      // "S-1-5-32-544"; empty when the entry's kind names none we can read
    ACCESS_MASK mask = 0;
    bool inheritOnly = false;  // passed on to what is made inside; does not apply to the object
};

struct ObjectAccess {
    std::wstring owner;   // SID text
    bool hasDacl = true;  // an object without an access list lets everyone do everything
    std::vector<AccessEntry> entries;
    std::wstring text;    // owner and access list as SDDL text, for the step log
};

// What a descriptor says; false when it cannot be read.
bool AccessOf(PSECURITY_DESCRIPTOR descriptor, ObjectAccess& access);
// What an open object's descriptor says (the handle needs READ_CONTROL).
bool ReadObjectAccess(HANDLE handle, ObjectAccess& access, DWORD& error);

// The running process's own account as SID text; empty when it cannot be read.
std::wstring ProcessUserSid();
// Whether the running process has the Administrators group in force (elevated, or SYSTEM).
bool IsAdministrator();

// Writes the owner (OWNER_SECURITY_INFORMATION) and the access list (DACL_SECURITY_INFORMATION,
// protected from what the parent passes on) that `sddl` holds, as `parts` asks, through a
// handle opened with WRITE_OWNER for the owner, WRITE_DAC and READ_CONTROL for the list (the
// call reads the descriptor before it writes one, and is refused without READ_CONTROL). The
// system passes the new list's inheritable entries on to what is inside, unless that protects
// its own.
bool WriteObjectAccess(HANDLE handle, const std::wstring& sddl, SECURITY_INFORMATION parts, DWORD& error);

// A privilege of the process's token in force for the lifetime of this object, then as it was.
// Without it in the token nothing changes (the calls that need it then fail on their own).
class ScopedPrivilege {
public:
    explicit ScopedPrivilege(const wchar_t* name);
    ~ScopedPrivilege();
    ScopedPrivilege(const ScopedPrivilege&) = delete;
    ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;

private:
    KernelObject m_token;
    TOKEN_PRIVILEGES m_before = {};
};

}  // namespace win
