#pragma once
// Starting a program or opening an address as the desktop's user. An elevated program that
// starts something with its own token hands the user's choice administrator rights; the
// desktop shell's own process runs with the user's. Nothing is read from the registry here.
#include <windows.h>

#include <string>

namespace win {

// Asks the desktop shell (explorer's desktop window, through its automation object) to open
// `file` with `parameters` in `directory` and the verb "open". True when the shell took the
// request. Without a desktop shell nothing is started and the answer is false.
bool OpenAsDesktopUser(const std::wstring& file, const std::wstring& parameters = std::wstring(),
                       const std::wstring& directory = std::wstring());

// The window the shell windows list as the desktop's (explorer's desktop window); null when
// there is no desktop shell.
HWND DesktopShellWindow();

}  // namespace win
