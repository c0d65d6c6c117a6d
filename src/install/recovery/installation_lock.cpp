#include "install/recovery/installation_lock.h"

namespace txn {

InstallationLock::InstallationLock() : m_mutex(::CreateMutexW(nullptr, FALSE, kLockName)) {
    // An abandoned mutex belonged to a run that was ended from outside: it is ours now.
    if (m_mutex) {
        const DWORD wait = ::WaitForSingleObject(m_mutex.get(), 0);
        m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
}

InstallationLock::~InstallationLock() {
    if (m_held) ::ReleaseMutex(m_mutex.get());
}

}  // namespace txn
