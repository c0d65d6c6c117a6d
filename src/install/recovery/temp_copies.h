#pragma once
// Programs that a run had to take out of the program folder while they ran (the uninstaller
// itself, in a user's installation, which has no restart list) wait in folders of their own in
// the temporary folder, "Lumiscope_Uninstall_<process id>". Such a folder cannot go while its
// program runs; the next run of the setup or the uninstaller removes it.
#include <string>
#include <vector>

namespace txn {

constexpr wchar_t kTempCopyPrefix[] = L"Lumiscope_Uninstall_";

// Removes the folders earlier runs left, through handles and only as plain folders: a
// temporary folder reached through a link is not searched, and a folder or file that is a
// link to elsewhere is not followed. The temporary folder is the user's own place: it is
// searched only where the desktop's user could write himself, and a copy goes only where he
// could delete it himself. A copy still running stays for the run after. Returns the folders
// skipped for the user's rights, for the caller's log.
std::vector<std::wstring> RemoveEarlierTempCopies();

}  // namespace txn
