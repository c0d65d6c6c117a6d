#include "fx/common_controls.h"

namespace fx {
namespace {

constexpr DWORD kAllClasses = 0xFF;

template <typename Function>
void LookUp(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

CommonControls Load() {
    CommonControls controls;
    // By name, so that the manifest's dependency picks the version 6 library; the search
    // itself is the system folder's only, never the folder the program was started from.
    HMODULE module = ::LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A system without the search flags (before its loader update) still takes the manifest's.
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) module = ::LoadLibraryW(L"comctl32.dll");
    if (!module) return controls;
    BOOL(WINAPI * initialize)(const INITCOMMONCONTROLSEX*) = nullptr;
    LookUp(module, "InitCommonControlsEx", initialize);
    LookUp(module, "PropertySheetW", controls.propertySheet);
    LookUp(module, "SetWindowSubclass", controls.setSubclass);
    LookUp(module, "RemoveWindowSubclass", controls.removeSubclass);
    LookUp(module, "DefSubclassProc", controls.defSubclassProc);
    LookUp(module, "GetWindowSubclass", controls.getSubclass);
    // Some versions of the library export it by ordinal 411 only.
    if (!controls.getSubclass) LookUp(module, MAKEINTRESOURCEA(411), controls.getSubclass);
    if (initialize) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, kAllClasses};
        initialize(&classes);
    }
    if (!initialize || !controls.loaded()) controls = CommonControls();
    return controls;
}

}  // namespace

const CommonControls& LoadCommonControls() {
    static const CommonControls controls = Load();
    return controls;
}

}  // namespace fx
