#pragma once
// COM for the whole life of an elevated program, set up on its first thread before any COM
// call. The programs take objects from the desktop shell's process, which runs with the user's
// rights: such an object must not bring its own marshalling code into this process
// (EOAC_NO_CUSTOM_MARSHAL), activation must not run on the caller's behalf elsewhere
// (EOAC_DISABLE_AAA), and a server may learn who calls but never act as him (impersonation
// level "identify"). The process's security can be set once only, and only while COM is
// initialised: this object keeps the first thread's apartment for the whole run, so that the
// objects used later are made under it and COM is not started and torn down again.
#include <windows.h>

#include "win/unique_handle.h"

namespace win {

class ProcessCom {
public:
    ProcessCom();
    ProcessCom(const ProcessCom&) = delete;
    ProcessCom& operator=(const ProcessCom&) = delete;
    // What CoInitializeSecurity answered (S_OK when in force; RPC_E_TOO_LATE when something set
    // it earlier); the apartment's own failure when COM could not be initialised.
    HRESULT security() const { return m_security; }

private:
    ComInit m_com;
    HRESULT m_security;
};

}  // namespace win
