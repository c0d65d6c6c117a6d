#include "win/desktop_user.h"

#include <aclapi.h>

#include "win/desktop_shell.h"
#include "win/user_sid.h"

namespace win {
namespace {

constexpr SECURITY_INFORMATION kDescriptorParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

// A descriptor the system allocated, freed on destruction.
class LocalDescriptor {
public:
    LocalDescriptor() = default;
    ~LocalDescriptor() { ::LocalFree(m_descriptor); }
    LocalDescriptor(const LocalDescriptor&) = delete;
    LocalDescriptor& operator=(const LocalDescriptor&) = delete;
    PSECURITY_DESCRIPTOR* put() { return &m_descriptor; }
    PSECURITY_DESCRIPTOR get() const { return m_descriptor; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
};

DWORD SessionOf(DWORD process) {
    DWORD session = 0;
    return ::ProcessIdToSessionId(process, &session) ? session : 0;
}

// The process behind the desktop of this process's session: the shell window's; where the
// system names none (Wine), the one showing the shell windows' desktop entry. Session 0 (the
// services') has no desktop of a user, and a shell of another session is not this desktop's:
// a run as SYSTEM there asks nobody.
DWORD DesktopShellProcess() {
    const DWORD session = SessionOf(::GetCurrentProcessId());
    if (session == 0) return 0;
    HWND shell = ::GetShellWindow();
    if (!shell) shell = DesktopShellWindow();
    DWORD id = 0;
    if (shell) ::GetWindowThreadProcessId(shell, &id);
    return id != 0 && SessionOf(id) == session ? id : 0;
}

bool IsElevated(HANDLE token) {
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

KernelObject FindDesktopUserToken() {
    const DWORD id = DesktopShellProcess();
    if (id == 0) return KernelObject();
    const KernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    HANDLE token = nullptr, identity = nullptr;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_DUPLICATE, &token)) return KernelObject();
    const KernelObject shellToken(token);
    if (!::DuplicateToken(shellToken.get(), SecurityIdentification, &identity)) return KernelObject();
    return KernelObject(identity);
}

}  // namespace

bool TokenIsGranted(HANDLE token, PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK wanted, bool& granted, DWORD& error) {
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    ::MapGenericMask(&wanted, &mapping);
    PRIVILEGE_SET privileges;
    DWORD privilegesSize = sizeof privileges, grantedAccess = 0;
    BOOL status = FALSE;
    granted = false;
    if (!::AccessCheck(descriptor, token, wanted, &mapping, &privileges, &privilegesSize, &grantedAccess, &status)) {
        error = ::GetLastError();
        return false;
    }
    granted = status && (grantedAccess & wanted) == wanted;
    return true;
}

HANDLE DesktopUserToken() {
    static const KernelObject token = FindDesktopUserToken();
    return token.get();
}

KernelObject StartAsDesktopUser(const std::wstring& program, const std::wstring& commandLine,
                                const std::wstring& environment, const std::wstring& directory, DWORD& error) {
    const DWORD id = DesktopShellProcess();
    const KernelObject shell(id ? ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id) : nullptr);
    HANDLE raw = nullptr, primary = nullptr;
    if (!shell || !::OpenProcessToken(shell.get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, &raw)) {
        error = ERROR_NO_TOKEN;
        return KernelObject();
    }
    const KernelObject shellToken(raw);
    const std::wstring user = UserSidOf(raw);
    if (user.empty() || user != CurrentUserSid()) {
        error = ERROR_ACCESS_DENIED;
        return KernelObject();
    }
    if (!::DuplicateTokenEx(raw, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary)) {
        error = ::GetLastError();
        return KernelObject();
    }
    const KernelObject token(primary);
    std::wstring line = commandLine;  // the call may write into it
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessWithTokenW(primary, 0, program.c_str(), line.data(), CREATE_UNICODE_ENVIRONMENT,
                                   const_cast<wchar_t*>(environment.c_str()),
                                   directory.empty() ? nullptr : directory.c_str(), &startup, &started)) {
        error = ::GetLastError();
        return KernelObject();
    }
    const KernelObject thread(started.hThread);
    return KernelObject(started.hProcess);
}

bool ElevatedAboveDesktop() {
    const HANDLE desktop = DesktopUserToken();
    HANDLE own = nullptr;
    if (!desktop || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &own)) return false;
    const KernelObject ownToken(own);
    return IsElevated(ownToken.get()) && !IsElevated(desktop);
}

void LookForDesktopUserSoon() {
    ::TrySubmitThreadpoolCallback([](PTP_CALLBACK_INSTANCE, void*) { DesktopUserToken(); }, nullptr, nullptr);
}

bool DesktopUserMay(HANDLE item, ACCESS_MASK wanted, DWORD& error) {
    const HANDLE token = DesktopUserToken();
    if (!token) return true;
    // The handles of places are opened without the right to read their descriptors; a second
    // handle to the very same object has it.
    const File readable(::ReOpenFile(item, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!readable) {
        error = ::GetLastError();
        return false;
    }
    LocalDescriptor descriptor;
    error = ::GetSecurityInfo(readable.get(), SE_FILE_OBJECT, kDescriptorParts, nullptr, nullptr, nullptr, nullptr,
                              descriptor.put());
    if (error != ERROR_SUCCESS) return false;
    bool granted = false;
    if (!TokenIsGranted(token, descriptor.get(), wanted, granted, error)) return false;
    if (!granted) error = ERROR_ACCESS_DENIED;
    return granted;
}

bool DesktopUserMayDelete(const Folder& folder, HANDLE item, DWORD& error) {
    return DesktopUserMay(item, DELETE, error) || DesktopUserMay(folder, FILE_DELETE_CHILD, error);
}

}  // namespace win
