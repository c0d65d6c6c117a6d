#include "win/current_directory.h"

#include <windows.h>

namespace win {

std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = ::GetCurrentDirectoryW(MAX_PATH, buffer);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

CurrentDirectoryRestorer::~CurrentDirectoryRestorer() {
    if (!m_keep && !m_saved.empty()) ::SetCurrentDirectoryW(m_saved.c_str());
}

}  // namespace win
