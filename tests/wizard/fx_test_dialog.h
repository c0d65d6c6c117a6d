#pragma once
// A modeless dialog from the test resources whose procedure offers every message to the bound
// child first, as the wizard pages do, and a scratch HKEY_CLASSES_ROOT for the link's fallback.
#include <windows.h>

#include <string>

#include "fx/wnd.h"
#include "fx_test_resources.h"

namespace fxtest {

inline HFONT WindowFont(HWND window) { return reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)); }

inline LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof lf, &lf);
    return lf;
}

inline INT_PTR CALLBACK ReflectingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!CWnd::ReflectToChild(message, wParam, lParam, result)) return message == WM_INITDIALOG;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

class ControlsDialog {
public:
    ControlsDialog()
        : m_hWnd(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FXTEST_CONTROLS), nullptr,
                                      ReflectingDialogProc, 0)) {
        if (m_hWnd) ::SetWindowPos(m_hWnd, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    ~ControlsDialog() {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
    }
    ControlsDialog(const ControlsDialog&) = delete;
    ControlsDialog& operator=(const ControlsDialog&) = delete;

    HWND get() const { return m_hWnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

    static void Pump() {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

private:
    HWND m_hWnd;
};

// HKEY_CLASSES_ROOT redirected to an empty scratch key for the lifetime of the object.
class ScratchClassesRoot {
public:
    ScratchClassesRoot() : m_path(L"Software\\LumiFxTest" + std::to_wstring(::GetCurrentProcessId())) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
        if (m_key) ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_key);
    }
    ~ScratchClassesRoot() {
        ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (m_key) ::RegCloseKey(m_key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    ScratchClassesRoot(const ScratchClassesRoot&) = delete;
    ScratchClassesRoot& operator=(const ScratchClassesRoot&) = delete;

    bool ok() const { return m_key != nullptr; }
    // Sets the default value of `subKey` below the redirected root.
    bool SetDefault(const std::wstring& subKey, const std::wstring& value) const {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(m_key, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        LONG rc = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }

private:
    std::wstring m_path;
    HKEY m_key = nullptr;
};

}  // namespace fxtest
