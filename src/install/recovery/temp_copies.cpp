#include "install/recovery/temp_copies.h"

#include <windows.h>

#include "win/desktop_user.h"
#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/path_text.h"

namespace txn {
namespace {

// One earlier run's folder and the program in it; false when the desktop's user could not
// delete the program himself (the folder is then left whole).
bool RemoveCopy(const win::Folder& temp, const std::wstring& name) {
    DWORD error = 0;
    win::Folder copy = temp.OpenFolder(name, error);
    win::File program = copy ? copy.OpenFile(L"lm_uninstall.exe", DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, error)
                             : win::File();
    if (program && !win::DesktopUserMayDelete(copy, program.get(), error)) return false;
    if (program) win::DeleteByHandle(program.get(), error);
    program.reset();
    if (!copy) return true;
    copy.reset();
    win::File folder = temp.OpenEntry(name, error);
    const DWORD attributes = folder ? win::AttributesOf(folder.get()) : INVALID_FILE_ATTRIBUTES;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY &&
        win::DesktopUserMayDelete(temp, folder.get(), error))
        win::DeleteByHandle(folder.get(), error);
    return true;
}

}  // namespace

std::vector<std::wstring> RemoveEarlierTempCopies() {
    const std::wstring tempPath = win::TempFolder();
    DWORD error = 0;
    const win::Folder temp = tempPath.empty() ? win::Folder() : win::Folder::Open(tempPath, error);
    if (!temp) return {};
    if (!win::DesktopUserMay(temp, win::kMayAddFile | win::kMayAddFolder, error)) return {temp.path()};
    std::vector<win::ListedEntry> entries;
    if (!win::ListEntries(temp, entries)) return {};
    std::vector<std::wstring> skipped;
    for (const win::ListedEntry& entry : entries) {
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || !win::StartsWithNoCase(entry.name, kTempCopyPrefix))
            continue;
        if (!RemoveCopy(temp, entry.name)) skipped.push_back(temp.path() + L"\\" + entry.name);
    }
    return skipped;
}

}  // namespace txn
