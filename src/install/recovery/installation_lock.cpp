#include "install/recovery/installation_lock.h"

#include "install/install_places.h"
#include "win/security_descriptor.h"

namespace txn {
namespace {

constexpr int kOpenAttempts = 3;  // the last holder may close the namespace between a create and an open

using CreateBoundary = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSid = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundary = VOID(WINAPI*)(HANDLE);
using CreateNamespace = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenNamespace = HANDLE(WINAPI*)(LPVOID, LPCWSTR);

// Looked up at run time: under Wine the boundary call answers nothing and the namespace calls
// end the process, so they are called only once a boundary was made.
template <typename Function>
Function Kernel32(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

bool InstallationLock::EnterNamespace(SECURITY_ATTRIBUTES* access, bool& available) {
    const auto createBoundary = Kernel32<CreateBoundary>("CreateBoundaryDescriptorW");
    const auto addSid = Kernel32<AddSid>("AddSIDToBoundaryDescriptor");
    const auto deleteBoundary = Kernel32<DeleteBoundary>("DeleteBoundaryDescriptor");
    const auto create = Kernel32<CreateNamespace>("CreatePrivateNamespaceW");
    const auto open = Kernel32<OpenNamespace>("OpenPrivateNamespaceW");
    m_closeNamespace = Kernel32<CloseNamespace>("ClosePrivateNamespace");
    const bool present = createBoundary && addSid && deleteBoundary && create && open && m_closeNamespace;
    HANDLE boundary = present ? createBoundary(kLockNamespace, 0) : nullptr;
    available = boundary != nullptr;
    if (!available) return false;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    const bool bound = ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
                       addSid(&boundary, administrators);
    for (int attempt = 0; bound && !m_namespace && attempt < kOpenAttempts; ++attempt) {
        m_namespace = create(access, boundary, kLockNamespace);
        if (!m_namespace && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
        if (!m_namespace) m_namespace = open(boundary, kLockNamespace);
    }
    deleteBoundary(boundary);
    return m_namespace != nullptr;
}

InstallationLock::InstallationLock() {
    const InstallPlaces& places = Places();
    win::SecurityDescriptor access(places.lockSddl.c_str());
    bool available = false;
    // A user's lock is named for the user and needs no administrators' namespace.
    const bool inNamespace = places.scope == Scope::Machine && EnterNamespace(access.attributes(), available);
    // A system with namespaces that refuses this one has no lock to give.
    if (available && !inNamespace) return;
    m_mutex.reset(::CreateMutexW(access.attributes(), FALSE, inNamespace ? kLockNameInNamespace : places.lockName.c_str()));
    // An abandoned mutex belonged to a run that was ended from outside: it is ours now.
    if (m_mutex) {
        const DWORD wait = ::WaitForSingleObject(m_mutex.get(), 0);
        m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
}

InstallationLock::~InstallationLock() {
    if (m_held) ::ReleaseMutex(m_mutex.get());
    m_mutex.reset();
    if (m_namespace) m_closeNamespace(m_namespace, 0);
}

}  // namespace txn
