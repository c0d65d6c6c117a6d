#include "win/desktop_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "win/unique_handle.h"

namespace win {
namespace {

// A BSTR owned for one call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text) : m_text(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return m_text; }

private:
    BSTR m_text;
};

// A VARIANT holding a BSTR that the VARIANT does not own (the Bstr does).
VARIANT TextVariant(const Bstr& text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text.get();
    return v;
}

// The desktop window's folder view, reached the way the shell documents it: the shell
// windows' desktop entry, its top-level browser, the active view's background object.
bool FindDesktopShell(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put())))
        return false;
    VARIANT empty;
    ::VariantInit(&empty);
    long desktopWindow = 0;
    ComPtr<IDispatch> found;
    if (windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              reinterpret_cast<IDispatch**>(found.put())) != S_OK || !found)
        return false;
    ComPtr<IServiceProvider> services;
    if (FAILED(found->QueryInterface(IID_IServiceProvider, services.put()))) return false;
    ComPtr<IShellBrowser> browser;
    if (FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put()))) return false;
    ComPtr<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(reinterpret_cast<IShellView**>(view.put()))) || !view) return false;
    ComPtr<IDispatch> background;
    if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put()))) return false;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.put()))) return false;
    ComPtr<IDispatch> application;
    if (FAILED(folderView->get_Application(reinterpret_cast<IDispatch**>(application.put()))) || !application)
        return false;
    return SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.put()));
}

}  // namespace

HWND DesktopShellWindow() {
    ComInit com;
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put())))
        return nullptr;
    VARIANT empty;
    ::VariantInit(&empty);
    long desktopWindow = 0;
    ComPtr<IDispatch> found;
    if (windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              reinterpret_cast<IDispatch**>(found.put())) != S_OK)
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(desktopWindow));
}

bool OpenAsDesktopUser(const std::wstring& file, const std::wstring& parameters, const std::wstring& directory) {
    ComInit com;
    ComPtr<IShellDispatch2> shell;
    if (!FindDesktopShell(shell)) return false;
    Bstr fileText(file), parametersText(parameters), directoryText(directory), verbText(L"open");
    VARIANT args = TextVariant(parametersText), dir = TextVariant(directoryText), verb = TextVariant(verbText);
    VARIANT show;
    ::VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return shell->ShellExecute(fileText.get(), args, dir, verb, show) == S_OK;
}

}  // namespace win
