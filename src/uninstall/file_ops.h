#pragma once
// The file-system side of an uninstallation: each call finds what is there, lets the rules
// decide, acts, and says what became of the item. Nothing here deletes a folder's contents:
// files are deleted one by one, folders only when empty.
#include <windows.h>

#include <string>
#include <vector>

#include "install/record/install_record.h"
#include "uninstall/undo_report.h"

namespace undo {

struct Outcome {
    Verdict verdict = Verdict::Removed;
    DWORD error = 0;
};

// A recorded file: deleted when its size and CRC-32 still match, through the handle that was
// read, so that nothing can change it between the check and the deletion. With `checkOnly`
// the file is compared but stays (Removed then means "would go").
Outcome UndoRecordedFile(const std::wstring& path, const record::RecordedFile& recorded, bool checkOnly);

// A link, the record or a settings file: deleted unless it is a folder or a link to elsewhere.
Outcome DeleteOwnFile(const std::wstring& path);

// A file or an emptied folder that cannot go now goes at the next restart: Scheduled, or Failed.
Outcome RemoveAtRestart(const std::wstring& path);

// A file the system holds (the running uninstaller) goes out of its folder into a folder of
// its own in the temporary folder ("Lumiscope_Uninstall_<process id>"), where the next run of
// either program removes it: a user's run has no restart list to use. Removed, or Failed
// (another volume than the temporary folder's, say).
Outcome MoveToTemp(const std::wstring& path);

// A recorded folder: removed when empty. LeftNotEmpty when something is still in it.
Outcome RemoveFolderIfEmpty(const std::wstring& path);

// Full paths of what a folder holds, without "." and "..".
std::vector<std::wstring> FolderEntries(const std::wstring& folder);

// The target a shell link points to; empty when it cannot be read.
std::wstring LinkTarget(const std::wstring& link);

// True when the settings file only points to the settings elsewhere ("Others"/"INI_Folder").
bool IsSettingsRedirect(const std::wstring& settingsFile);

}  // namespace undo
