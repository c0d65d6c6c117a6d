#pragma once
// The desktop's user: whoever sits at the desktop that the elevated programs were started from.
// His own registry and environment name the desktop, the start menu, %APPDATA% and %TEMP%; an
// elevated run writes there with rights he does not have, so such a place is used only where he
// could write himself. His token is taken from the desktop shell's process (the process of the
// shell window, else of the shell windows' desktop entry) and asked, never impersonated. A run
// without a desktop shell (SYSTEM, a service in session 0) has nobody to ask and uses its own
// places as they are.
#include <windows.h>

#include "win/folder_handle.h"
#include "win/unique_handle.h"

namespace win {

// The rights a folder must grant for what is made in it.
constexpr ACCESS_MASK kMayAddFile = FILE_ADD_FILE;
constexpr ACCESS_MASK kMayAddFolder = FILE_ADD_SUBDIRECTORY;

// Whether `token` (an identification or impersonation token) is granted every right of `wanted`
// by `descriptor` (with owner, group and access list), generic rights mapped as for files. False
// with the error when the question cannot be asked (then nothing is granted either).
bool TokenIsGranted(HANDLE token, PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK wanted, bool& granted, DWORD& error);

// The desktop shell's user as an identification token; empty when there is no desktop shell
// or its process cannot be asked. Looked for once per process.
HANDLE DesktopUserToken();
// Whether this process runs elevated while the desktop shell's process does not: the system's
// boundary between administrator and user lies between them. False without a desktop shell,
// and where the shell is as elevated as this process (no boundary to keep).
bool ElevatedAboveDesktop();
// Starts `program` with `commandLine` as the desktop's user: with the desktop shell process's
// own token, made primary, and only when that is this process's user. `environment` is a block
// as CreateProcess takes it, `directory` the process's current one. The process, or empty with
// the error (ERROR_NO_TOKEN without a desktop shell, ERROR_ACCESS_DENIED for another user).
KernelObject StartAsDesktopUser(const std::wstring& program, const std::wstring& commandLine,
                                const std::wstring& environment, const std::wstring& directory, DWORD& error);
// Starts looking for him on the system's thread pool, so that the first question does not
// wait for the shell's answer (about 55 ms under Wine, where it comes through COM).
void LookForDesktopUserSoon();

// Whether the desktop's user may do `wanted` in (or to) the open file or folder, asked on the
// descriptor read through that very handle. True when there is no desktop user. False with
// ERROR_ACCESS_DENIED when he may not, or the error that kept the question from being asked.
bool DesktopUserMay(HANDLE item, ACCESS_MASK wanted, DWORD& error);
inline bool DesktopUserMay(const Folder& folder, ACCESS_MASK wanted, DWORD& error) {
    return DesktopUserMay(folder.get(), wanted, error);
}
// Whether the desktop's user may delete the open `item` of `folder` himself: by the right to
// delete it, or to delete what its folder holds. True when there is no desktop user.
bool DesktopUserMayDelete(const Folder& folder, HANDLE item, DWORD& error);

}  // namespace win
