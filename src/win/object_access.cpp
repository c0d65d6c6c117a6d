#include "win/object_access.h"

#include <aclapi.h>
#include <sddl.h>

#include "win/security_descriptor.h"

namespace win {
namespace {

constexpr SECURITY_INFORMATION kOwnerAndAccess = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !::ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring result(text);
    ::LocalFree(text);
    return result;
}

std::wstring DescriptorText(PSECURITY_DESCRIPTOR descriptor) {
    wchar_t* text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, kOwnerAndAccess, &text,
                                                                nullptr))
        return std::wstring();
    std::wstring result(text);
    ::LocalFree(text);
    return result;
}

// Allowing kinds grant, whatever condition or object type narrows them: counting them whole
// can only make a folder look less safe than it is. Only the plain and the conditional kinds
// name their account where the rules can read it; the others count as someone unknown.
bool ReadEntry(const ACE_HEADER* header, AccessEntry& entry) {
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        entry.trustee = SidText(const_cast<DWORD*>(&ace->SidStart));
        entry.mask = ace->Mask;
        break;
    }
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        entry.mask = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(header)->Mask;
        break;
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        entry.allow = false;
        entry.mask = reinterpret_cast<const ACCESS_DENIED_ACE*>(header)->Mask;
        break;
    default:
        return false;  // audit and label kinds belong to the system list, not this one
    }
    entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    return true;
}

}  // namespace

bool AccessOf(PSECURITY_DESCRIPTOR descriptor, ObjectAccess& access) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return false;
    access = ObjectAccess();
    access.owner = SidText(owner);
    access.hasDacl = present && dacl;
    access.text = DescriptorText(descriptor);
    for (DWORD i = 0; access.hasDacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        AccessEntry entry;
        if (!::GetAce(dacl, i, &ace)) return false;
        if (ReadEntry(static_cast<const ACE_HEADER*>(ace), entry)) access.entries.push_back(entry);
    }
    return true;
}

bool ReadObjectAccess(HANDLE handle, ObjectAccess& access, DWORD& error) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = ::GetSecurityInfo(handle, SE_FILE_OBJECT, kOwnerAndAccess, nullptr, nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return false;
    const bool read = AccessOf(descriptor, access);
    ::LocalFree(descriptor);
    if (!read) error = ERROR_INVALID_SECURITY_DESCR;
    return read;
}

std::wstring ProcessUserSid() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::wstring();
    KernelObject token(raw);
    alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return std::wstring();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

bool IsAdministrator() {
    alignas(SID) unsigned char sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
           ::CheckTokenMembership(nullptr, sid, &member) && member;
}

bool WriteObjectAccess(HANDLE handle, const std::wstring& sddl, SECURITY_INFORMATION parts, DWORD& error) {
    SecurityDescriptor wanted(sddl.c_str());
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!wanted || !::GetSecurityDescriptorOwner(wanted.get(), &owner, &defaulted) ||
        !::GetSecurityDescriptorDacl(wanted.get(), &present, &dacl, &defaulted) ||
        ((parts & OWNER_SECURITY_INFORMATION) && !owner) || ((parts & DACL_SECURITY_INFORMATION) && !dacl)) {
        error = ERROR_INVALID_SECURITY_DESCR;
        return false;
    }
    if (parts & DACL_SECURITY_INFORMATION) parts |= PROTECTED_DACL_SECURITY_INFORMATION;
    error = ::SetSecurityInfo(handle, SE_FILE_OBJECT, parts, owner, nullptr, dacl, nullptr);
    return error == ERROR_SUCCESS;
}

ScopedPrivilege::ScopedPrivilege(const wchar_t* name) {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
    m_token.reset(raw);
    TOKEN_PRIVILEGES wanted = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    DWORD size = 0;
    // The state before is handed back only for a privilege whose state changed: that one goes
    // back at the end, and nothing else.
    if (!::LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid) ||
        !::AdjustTokenPrivileges(m_token.get(), FALSE, &wanted, sizeof m_before, &m_before, &size) ||
        ::GetLastError() == ERROR_NOT_ALL_ASSIGNED)
        m_before.PrivilegeCount = 0;
}

ScopedPrivilege::~ScopedPrivilege() {
    if (m_token && m_before.PrivilegeCount)
        ::AdjustTokenPrivileges(m_token.get(), FALSE, &m_before, 0, nullptr, nullptr);
}

}  // namespace win
