#include "controls/link_accessible.h"

#include "win/text.h"
#include "win/unique_handle.h"

namespace controls {
namespace {

using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

// The accessibility library is not one the loader takes from the system folder only, so it is
// not imported (a copy planted beside the setup would be): it is loaded from the system folder
// on first use and kept for the life of the process.
struct AccessibilityLibrary {
    CreateStdAccessibleObjectFn createStandard = nullptr;
    LresultFromObjectFn lresultFromObject = nullptr;

    AccessibilityLibrary() {
        const std::wstring path = win::SystemFilePath(L"oleacc.dll");
        HMODULE module = path.empty() ? nullptr : ::LoadLibraryW(path.c_str());
        if (!module) return;
        createStandard = reinterpret_cast<CreateStdAccessibleObjectFn>(
            reinterpret_cast<void*>(::GetProcAddress(module, "CreateStdAccessibleObject")));
        lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
            reinterpret_cast<void*>(::GetProcAddress(module, "LresultFromObject")));
    }
    bool ok() const { return createStandard && lresultFromObject; }
};

const AccessibilityLibrary& Accessibility() {
    static const AccessibilityLibrary library;
    return library;
}

// By __uuidof: the uuid library and oleacc's import library (the tests use) both define it.
const IID& kIidAccessible = __uuidof(IAccessible);

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's object for the window, with the link's own role, states and action on top.
class LinkAccessible final : public IAccessible {
public:
    LinkAccessible(HWND link, IAccessible* standard) : m_link(link), m_standard(standard) {}
    ~LinkAccessible() { m_standard->Release(); }
    LinkAccessible(const LinkAccessible&) = delete;
    LinkAccessible& operator=(const LinkAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = ::InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: the link's own answers.
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child)) return m_standard->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_LINK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        HRESULT hr = m_standard->get_accState(child, state);
        if (SUCCEEDED(hr) && IsSelf(child) && state->vt == VT_I4)
            state->lVal |= STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child)) return m_standard->get_accDefaultAction(child, action);
        if (!action) return E_POINTER;
        *action = ::SysAllocString(kLinkDefaultAction);
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    // Posted, so that the reader is answered before anything is opened.
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child)) return m_standard->accDoDefaultAction(child);
        return ::PostMessageW(m_link, kLinkActivateMessage, 0, 0) ? S_OK : E_FAIL;
    }

    // IAccessible: the system's answers.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return m_standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return m_standard->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return m_standard->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override { return m_standard->get_accName(child, name); }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return m_standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return m_standard->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return m_standard->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return m_standard->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return m_standard->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return m_standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return m_standard->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        return m_standard->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return m_standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return m_standard->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return m_standard->put_accValue(child, value);
    }

private:
    LONG m_refs = 1;
    HWND m_link;
    IAccessible* m_standard;  // owned: one reference
};

}  // namespace

LRESULT AnswerLinkObjectRequest(HWND link, WPARAM wParam) {
    const AccessibilityLibrary& library = Accessibility();
    IAccessible* standard = nullptr;
    if (!library.ok() ||
        FAILED(library.createStandard(link, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* object = new LinkAccessible(link, standard);
    LRESULT result = library.lresultFromObject(kIidAccessible, wParam, object);
    object->Release();  // LresultFromObject holds its own reference
    return result < 0 ? 0 : result;
}

}  // namespace controls
