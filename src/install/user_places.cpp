#include "install/user_places.h"

#include "install/journal.h"
#include "win/current_directory.h"
#include "win/desktop_user.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/text.h"

namespace {

constexpr wchar_t kAboveVariable[] = L"LUMISCOPE_TEST_ELEVATED_ABOVE_DESKTOP";
constexpr wchar_t kHandedOverVariable[] = L"LUMISCOPE_RUN_AS_DESKTOP_USER";

// This process's environment as a block for the run handed over: without the tests' seam,
// which would hand it over again, and with the mark that it is the one handed over.
std::wstring EnvironmentForHandOver() {
    std::wstring block;
    const wchar_t* own = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = own; entry && *entry; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        if (!win::StartsWithNoCase(text, std::wstring(kAboveVariable) + L"=")) block.append(text).push_back(L'\0');
    }
    if (own) ::FreeEnvironmentStringsW(const_cast<wchar_t*>(own));
    block.append(kHandedOverVariable).append(L"=1").push_back(L'\0');
    return block;  // its c_str() adds the block's closing terminator
}

}  // namespace

bool UserRunAboveItsUser() {
    std::wstring injected;
    return (win::GetEnvironment(kAboveVariable, injected) && injected == L"1") || win::ElevatedAboveDesktop();
}

bool IsHandedOverRun() {
    std::wstring mark;
    return win::GetEnvironment(kHandedOverVariable, mark);
}

int RunAgainAsDesktopUser(int unreadable) {
    if (IsHandedOverRun()) return -1;
    DWORD error = 0;
    const win::KernelObject run = win::StartAsDesktopUser(win::OwnProgramPath(), ::GetCommandLineW(),
                                                          EnvironmentForHandOver(), win::CurrentDirectory(), error);
    if (!run) return -1;
    ::WaitForSingleObject(run.get(), INFINITE);
    DWORD code = 0;
    return ::GetExitCodeProcess(run.get(), &code) ? static_cast<int>(code) : unreadable;
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
