#pragma once
// Access of our own for what the programs make, written as SDDL text in one place so that it
// can be read, reviewed and tested as text: the system keeps a file's descriptor on Windows
// while Wine answers from the Unix mode bits, so the descriptor is what can be checked.
#include <windows.h>

#include <string>

namespace win {

// A folder the setup makes for the program: what Program Files gives, without inheriting from
// a parent that lets users write (a folder made under "C:\" gives Authenticated Users Modify).
// Full control for SYSTEM and Administrators, read and execute for Users, for the folder and
// everything made in it; protected from the parent's entries.
constexpr wchar_t kProgramFolderSddl[] = L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// A kernel object only administrators and the system may open, hold or create.
constexpr wchar_t kAdministratorsOnlySddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// Owns a descriptor made from SDDL text, and the SECURITY_ATTRIBUTES that pass it to a create
// call (CreateDirectoryW, CreateMutexW, or the native calls through SecurityDescriptor).
class SecurityDescriptor {
public:
    // Null text: no descriptor (the object gets the default access).
    explicit SecurityDescriptor(const wchar_t* sddl);
    ~SecurityDescriptor();
    SecurityDescriptor(const SecurityDescriptor&) = delete;
    SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;

    // False when the text could not be made a descriptor (never for the texts above).
    explicit operator bool() const { return m_descriptor != nullptr; }
    PSECURITY_DESCRIPTOR get() const { return m_descriptor; }
    // Null when there is no descriptor: the object then gets the default access.
    SECURITY_ATTRIBUTES* attributes() { return m_descriptor ? &m_attributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes = {};
};

// A descriptor's access list as SDDL text; empty when it cannot be written.
std::wstring AccessText(PSECURITY_DESCRIPTOR descriptor);

}  // namespace win
