#include "win/security_descriptor.h"

#include <sddl.h>

namespace win {

SecurityDescriptor::SecurityDescriptor(const wchar_t* sddl) {
    if (!sddl || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &m_descriptor, nullptr))
        m_descriptor = nullptr;
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}

SecurityDescriptor::~SecurityDescriptor() {
    if (m_descriptor) ::LocalFree(m_descriptor);
}

std::wstring AccessText(PSECURITY_DESCRIPTOR descriptor) {
    wchar_t* text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                &text, nullptr))
        return std::wstring();
    std::wstring result(text);
    ::LocalFree(text);
    return result;
}

}  // namespace win
