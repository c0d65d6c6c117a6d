#include "install/user_places.h"

#include "install/journal.h"
#include "win/desktop_user.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/text.h"

bool UserRunAboveItsUser() {
    std::wstring injected;
    return (win::GetEnvironment(L"LUMISCOPE_TEST_ELEVATED_ABOVE_DESKTOP", injected) && injected == L"1") ||
           win::ElevatedAboveDesktop();
}

bool NamesUserPlace(const std::wstring& folderText) { return folderText.find(L'%') != std::wstring::npos; }

namespace {

void LogRefusal(const wchar_t* phase, const std::wstring& place, DWORD error) {
    Journal().Failed(phase, L"skipped, the desktop's user may not write there himself: " + place, error);
}

}  // namespace

bool UserMayWriteIn(const win::Folder& folder, ACCESS_MASK wanted, const wchar_t* phase) {
    DWORD error = 0;
    if (win::DesktopUserMay(folder, wanted, error)) return true;
    LogRefusal(phase, folder.path(), error);
    return false;
}

bool UserCouldMake(const std::wstring& folder, const wchar_t* phase) {
    if (!win::DesktopUserToken()) return true;  // nobody at a desktop: the run's own places
    ACCESS_MASK wanted = win::kMayAddFile;
    for (std::wstring level = win::WithoutTrailingBackslash(folder); !level.empty(); level = win::ParentPath(level)) {
        DWORD error = 0;
        const win::Folder open = win::Folder::Open(level, error);
        if (open) return UserMayWriteIn(open, wanted, phase);
        if (!win::IsNotFound(error)) {
            LogRefusal(phase, level, error);
            return false;
        }
        wanted = win::kMayAddFolder;
    }
    return true;  // nothing of it exists: making it fails as it would have
}
