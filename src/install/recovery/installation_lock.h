#pragma once
// One setup or uninstaller of the product per machine at a time: two at once would each take
// the other's changes for the state before, and neither could be taken back. A named mutex in
// the global namespace, held for the whole run; the system releases it when the holder ends,
// however it ends, and the next holder then repairs what that one left.
#include "win/unique_handle.h"

namespace txn {

constexpr wchar_t kLockName[] = L"Global\\Lumiscope64.Installation";
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
    win::KernelObject m_mutex;
    bool m_held = false;
};

}  // namespace txn
