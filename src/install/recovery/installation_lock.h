#pragma once
// One setup or uninstaller of the product per machine at a time: two at once would each take
// the other's changes for the state before, and neither could be taken back. A named mutex,
// held for the whole run; the system releases it when the holder ends, however it ends, and
// the next holder then repairs what that one left.
//
// Where the name lives decides who can hold it: a process that could hold or merely create it
// first would make every run end with "another run". On Windows the mutex lives in a private
// namespace bound to the Administrators group: only a process whose token holds that group
// (an elevated administrator) can create or open the namespace, so no other process can even
// name the mutex. Where the system has no private namespaces (Wine), the mutex lives in the
// global namespace with access for administrators and the system only; a process without
// administrator rights can then neither open nor hold it, though it could still create the
// name first with access of its own.
//
// A user's installation (install_places.h) takes a global mutex named for the user's SID, with
// access for that user and the system only: each user's runs exclude each other, and two users
// install at once.
#include "win/unique_handle.h"

namespace txn {

// The namespace's alias, and the mutex's name in it.
constexpr wchar_t kLockNamespace[] = L"Lumiscope64";
constexpr wchar_t kLockNameInNamespace[] = L"Lumiscope64\\Installation";
// What a second run tells: in the setup's install log or a box, in the uninstaller's log or box.
constexpr wchar_t kAnotherRunText[] = L"Eine andere Installation oder Deinstallation von Lumiscope l\u00e4uft bereits.";

class InstallationLock {
public:
    // Takes the lock if nobody holds it; never waits.
    InstallationLock();
    ~InstallationLock();
    InstallationLock(const InstallationLock&) = delete;
    InstallationLock& operator=(const InstallationLock&) = delete;

    // False when another setup or uninstaller holds it (or it cannot be had at all).
    bool held() const { return m_held; }

private:
    using CloseNamespace = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    // Opens the private namespace (made when missing); false when it cannot be, `available`
    // false when the system has none.
    bool EnterNamespace(SECURITY_ATTRIBUTES* access, bool& available);

    HANDLE m_namespace = nullptr;
    CloseNamespace m_closeNamespace = nullptr;
    win::KernelObject m_mutex;
    bool m_held = false;
};

}  // namespace txn
