#include "win/process_com.h"

namespace win {
namespace {

HRESULT SecureProcess() {
    return ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IDENTIFY,
                                  nullptr, EOAC_NO_CUSTOM_MARSHAL | EOAC_DISABLE_AAA, nullptr);
}

}  // namespace

ProcessCom::ProcessCom() : m_security(m_com.ok() ? SecureProcess() : CO_E_NOTINITIALIZED) {}

}  // namespace win
