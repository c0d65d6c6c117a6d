#pragma once
// Whether the owners and access lists along the program folder's path let anyone but
// administrators change it, replace it or rename it away. A pure rule over SIDs and rights
// (the descriptors are read in win/object_access), so that it is checked as a table: under
// Wine every folder reads back alike.
#include <windows.h>

#include <string>

#include "win/object_access.h"

namespace folder_access {

enum class Trustee {
    Trusted,  // SYSTEM, Administrators, TrustedInstaller, and the running administrator itself
    Other,
    Owner,    // OWNER RIGHTS: whoever owns the object
    Nobody,   // CREATOR OWNER / CREATOR GROUP on the object itself: no account holds them
};

// `self` is the running process's own account when it is an administrator, else empty.
Trustee ClassifyTrustee(const std::wstring& sid, const std::wstring& self);

// The rights that accounts other than the trusted ones hold on the object itself, generic
// rights mapped to the file ones. An owner of theirs, or no access list at all, gives them
// everything.
ACCESS_MASK OthersRights(const win::ObjectAccess& access, const std::wstring& self);

enum class Verdict {
    Fine,
    MakeSafe,  // the program folder itself: owned by Administrators, given the protected access
    Refuse,    // others may delete, rename or take over a level, and the setup cannot change that
};

// What others may do on the parent: refused when they may delete or rename what it holds,
// or take the parent over (it is not the setup's to change).
Verdict JudgeParent(const win::ObjectAccess& parent, const std::wstring& self);

// What others may do on a level itself: delete, rename or take it over, or (the program
// folder) put something in or take it out. The program folder is then made safe, any level
// above it refused; a drive's root or a share as the program folder is refused too (it cannot
// be renamed, but it is not the setup's to change).
Verdict JudgeOwnAccess(const win::ObjectAccess& level, bool programFolder, bool root, const std::wstring& self);

// A level that exists, judged with its parent: the parent's verdict first, then its own.
Verdict JudgeExistingLevel(const win::ObjectAccess& level, const win::ObjectAccess& parent, bool programFolder,
                           const std::wstring& self);

}  // namespace folder_access
