#include "install/registry_ops.h"

#include "win/unique_handle.h"

namespace reg {

HKEY RootKey(Root root) {
    switch (root) {
        case Root::CurrentUser: return HKEY_CURRENT_USER;
        case Root::ClassesRoot: return HKEY_CLASSES_ROOT;
        case Root::LocalMachine: break;
    }
    return HKEY_LOCAL_MACHINE;
}

namespace {

// The key a named value goes into, reached the way the write asks for; empty when refused.
win::RegKey OpenForValue(const Write& w) {
    HKEY key = nullptr;
    LONG rc;
    if (w.open == Open::Create) {
        rc = ::RegCreateKeyW(RootKey(w.root), w.key.c_str(), &key);
    } else {
        REGSAM access = w.open == Open::AllAccess ? KEY_ALL_ACCESS : KEY_SET_VALUE;
        rc = ::RegOpenKeyExW(RootKey(w.root), w.key.c_str(), 0, access, &key);
    }
    return win::RegKey(rc == ERROR_SUCCESS ? key : nullptr);
}

DWORD StringBytes(const std::wstring& text) { return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)); }

bool SetStringValue(HKEY key, const std::wstring& name, const std::wstring& text) {
    return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            StringBytes(text)) == ERROR_SUCCESS;
}

bool SetNamedValue(const Write& w) {
    win::RegKey key = OpenForValue(w);
    if (!key) return false;
    if (w.op == Op::SetDword)
        return ::RegSetValueExW(key.get(), w.valueName.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&w.number), sizeof(DWORD)) == ERROR_SUCCESS;
    return SetStringValue(key.get(), w.valueName, w.text);
}

bool CreateAndClose(const Write& w) {
    HKEY key = nullptr;
    if (::RegCreateKeyW(RootKey(w.root), w.key.c_str(), &key) != ERROR_SUCCESS) return false;
    win::RegKey owner(key);
    return true;
}

bool Recreate(const Write& w) {
    ::RegDeleteKeyW(RootKey(w.root), w.key.c_str());
    Write created = w;
    created.open = Open::Create;
    return SetNamedValue(created);
}

}  // namespace

bool operator==(const Write& a, const Write& b) {
    return a.root == b.root && a.key == b.key && a.op == b.op && a.open == b.open && a.valueName == b.valueName &&
           a.text == b.text && a.number == b.number;
}

Write SetDefault(Root root, const std::wstring& key, const std::wstring& text) {
    Write w;
    w.root = root;
    w.key = key;
    w.op = Op::SetDefault;
    w.text = text;
    return w;
}

Write SetString(Root root, const std::wstring& key, Open open, const std::wstring& name, const std::wstring& text) {
    Write w = SetDefault(root, key, text);
    w.op = Op::SetString;
    w.open = open;
    w.valueName = name;
    return w;
}

Write SetDword(Root root, const std::wstring& key, Open open, const std::wstring& name, DWORD number) {
    Write w = SetString(root, key, open, name, std::wstring());
    w.op = Op::SetDword;
    w.number = number;
    return w;
}

Write DeleteKey(Root root, const std::wstring& key) {
    Write w = SetDefault(root, key, std::wstring());
    w.op = Op::DeleteKey;
    return w;
}

Write CreateKey(Root root, const std::wstring& key) {
    Write w = SetDefault(root, key, std::wstring());
    w.op = Op::CreateKey;
    w.open = Open::Create;
    return w;
}

Write RecreateString(Root root, const std::wstring& key, const std::wstring& name, const std::wstring& text) {
    Write w = SetString(root, key, Open::Create, name, text);
    w.op = Op::RecreateString;
    return w;
}

bool Apply(const Write& w) {
    switch (w.op) {
        case Op::SetDefault:
            // RegSetValueW creates every missing level of the key on the way.
            return ::RegSetValueW(RootKey(w.root), w.key.c_str(), REG_SZ, w.text.c_str(),
                                  static_cast<DWORD>(w.text.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
        case Op::SetString:
        case Op::SetDword: return SetNamedValue(w);
        case Op::DeleteKey: return ::RegDeleteKeyW(RootKey(w.root), w.key.c_str()) == ERROR_SUCCESS;
        case Op::CreateKey: return CreateAndClose(w);
        case Op::RecreateString: return Recreate(w);
    }
    return false;
}

void ApplyAll(const std::vector<Write>& writes) {
    for (const Write& w : writes) Apply(w);
}

void Append(std::vector<Write>& writes, const std::vector<Write>& more) {
    writes.insert(writes.end(), more.begin(), more.end());
}

}  // namespace reg
