#pragma once
// The common controls, loaded by the first window that needs them rather than imported: a
// silent run shows no window, and loading them (with the window and drawing libraries they
// start, and the classes they register) took some 65 ms of every start under Wine.
#include <windows.h>
#include <commctrl.h>

namespace fx {

struct CommonControls {
    INT_PTR(WINAPI* propertySheet)(LPCPROPSHEETHEADERW) = nullptr;
    BOOL(WINAPI* setSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = nullptr;
    BOOL(WINAPI* getSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*) = nullptr;
    BOOL(WINAPI* removeSubclass)(HWND, SUBCLASSPROC, UINT_PTR) = nullptr;
    LRESULT(WINAPI* defSubclassProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;
    bool loaded() const { return propertySheet && setSubclass && getSubclass && removeSubclass && defSubclassProc; }
};

// Loads the library once, for the life of the process, and registers every class it has;
// a program calls it before its first window, so that even the standard controls are the
// version its manifest asks for. All members are null when the library cannot be loaded.
const CommonControls& LoadCommonControls();

}  // namespace fx
