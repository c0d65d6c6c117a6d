#pragma once
// Facts about the running system that several subsystems ask for.
#include <windows.h>

// True when the system's version is at least major.minor with the given service pack.
bool IsWindowsAtLeast(WORD major, WORD minor, WORD servicePackMajor);

// 11, 10, 8, 7, 6, 5, 1 or 0 (see platform.cpp). Computed once per run and shared by all callers.
int GetWindowsVersionClass();

// Tests seed or clear the shared value; 0 means "not computed yet".
void SetWindowsVersionClassForTesting(int versionClass);

// Horizontal logical DPI of the window's device context; 96 when there is none.
int GetScreenDpi(HWND window);

// The class for a given RtlGetVersion answer, and for the older systems by IsWindowsAtLeast.
int VersionClassFromNumbers(DWORD major, DWORD build);
