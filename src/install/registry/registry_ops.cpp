#include "install/registry/registry_ops.h"

#include <algorithm>

#include "install/journal.h"
#include "win/path_text.h"
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

std::wstring KeyText(Root root, const std::wstring& key) {
    const wchar_t* name = root == Root::CurrentUser ? L"HKCU" : root == Root::ClassesRoot ? L"HKCR" : L"HKLM";
    return std::wstring(name) + L"\\" + key;
}

namespace {

DWORD StringBytes(const std::wstring& text) { return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)); }

std::wstring ParentOf(const std::wstring& path) {
    size_t at = path.rfind(L'\\');
    return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

// The value's state for the observer; one that cannot be read counts as absent.
ValueState StateOf(HKEY key, const std::wstring& name) {
    ValueState state;
    QueryValue(key, name, state);
    return state;
}

// Each value with its data in one request, not a request for its name and one for its data.
void ValuesOf(HKEY key, HeldValues& values) {
    std::vector<BYTE> data(256);
    for (DWORD i = 0;;) {
        wchar_t name[16384];
        DWORD length = 16384;
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = ::RegEnumValueW(key, i, name, &length, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA) {  // the same value again, with room for its data
            data.resize(std::max<size_t>(size, data.size() * 2));
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        values.emplace_back(std::wstring(name, length), ValueState{true, type, {data.begin(), data.begin() + size}});
        ++i;
    }
}

ValueState StringState(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return ValueState{true, REG_SZ, {bytes, bytes + StringBytes(text)}};
}

// Every value of a key, as it is about to be deleted; the error when the key cannot be opened.
LONG ReadAllValues(HKEY root, const std::wstring& path, HeldValues& values) {
    HKEY raw = nullptr;
    const LONG rc = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &raw);
    if (rc != ERROR_SUCCESS) return rc;
    win::RegKey key(raw);
    ValuesOf(key.get(), values);
    return ERROR_SUCCESS;
}

// A key to be made anew that holds nothing but the one value it would be given, as the last
// run left it, need not be deleted and made again: a repair leaves it as it is.
bool HoldsJust(HKEY key, const Write& w) {
    HeldValues values;
    ValuesOf(key, values);
    return values.size() == 1 && win::EqualsNoCase(values[0].first, w.valueName) &&
           values[0].second == StringState(w.text);
}

}  // namespace

bool operator==(const ValueState& a, const ValueState& b) {
    if (a.exists != b.exists) return false;
    return !a.exists || (a.type == b.type && a.bytes == b.bytes);
}

LONG QueryValue(HKEY key, const std::wstring& name, ValueState& state) {
    state = ValueState();
    std::vector<BYTE> buffer(256);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD type = REG_NONE;
        LONG rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, buffer.data(), &size);
        if (rc == ERROR_MORE_DATA) {  // too small, or the value grew between the calls
            buffer.resize(size);
            continue;
        }
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        state = ValueState{true, type, std::vector<BYTE>(buffer.begin(), buffer.begin() + size)};
        return ERROR_SUCCESS;
    }
}

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

bool Session::KeyId::operator<(const KeyId& other) const {
    if (root != other.root) return root < other.root;
    if (access != other.access) return access < other.access;
    return path < other.path;
}

REGSAM Session::Mask(Access access) {
    switch (access) {
        case Access::AllAccess: return KEY_ALL_ACCESS;
        case Access::SetValue: return KEY_SET_VALUE | KEY_QUERY_VALUE;
        case Access::Create: break;
    }
    return KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
}

HKEY Session::Open(Root root, const std::wstring& path, Access access, LONG& error) {
    KeyId id{root, win::UpperCase(path), access};
    auto found = m_keys.find(id);
    if (found != m_keys.end()) return found->second.get();
    HKEY key = nullptr;
    error = ::RegOpenKeyExW(RootKey(root), path.c_str(), 0, Mask(access), &key);
    if (error != ERROR_SUCCESS) return nullptr;
    return m_keys.emplace(id, win::RegKey(key)).first->second.get();
}

// Creates the missing levels one at a time, so that each one the installation made is known:
// downwards from the deepest level the session holds open already, and without asking for a
// key below one it has just made (it cannot exist).
HKEY Session::Create(Root root, const std::wstring& path, LONG& error) {
    const std::wstring upper = win::UpperCase(path);
    auto cached = m_keys.find(KeyId{root, upper, Access::Create});
    if (cached != m_keys.end()) return cached->second.get();
    bool lastMissing = BelowNewKey(root, upper);
    if (!lastMissing) {
        HKEY key = Open(root, path, Access::Create, error);
        if (key || error != ERROR_FILE_NOT_FOUND) return key;
        lastMissing = true;
    }
    HKEY base = RootKey(root);
    size_t start = 0;
    for (size_t at = path.rfind(L'\\'); at != std::wstring::npos && at > 0; at = path.rfind(L'\\', at - 1)) {
        auto held = m_keys.find(KeyId{root, upper.substr(0, at), Access::Create});
        if (held != m_keys.end()) {
            base = held->second.get();
            start = at + 1;
            break;
        }
    }
    for (size_t end = path.find(L'\\', start);; end = path.find(L'\\', start)) {
        const size_t levelEnd = end == std::wstring::npos ? path.size() : end;
        base = CreateLevel(root, path.substr(0, levelEnd), base, path.substr(start, levelEnd - start),
                           lastMissing && end == std::wstring::npos, error);
        if (!base || end == std::wstring::npos) return base;
        start = end + 1;
        if (m_newKeys.count({root, upper.substr(0, levelEnd)})) return CreateBelowNew(root, path, base, start, error);
    }
}

// Below a key just made, every remaining level is new: one call makes them all, and each is
// known as made all the same.
HKEY Session::CreateBelowNew(Root root, const std::wstring& path, HKEY parent, size_t start, LONG& error) {
    HKEY key = nullptr;
    error = ::RegCreateKeyExW(parent, path.c_str() + start, 0, nullptr, 0, Mask(Access::Create), nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return nullptr;
    for (size_t end = path.find(L'\\', start);; end = path.find(L'\\', end + 1)) {
        const std::wstring level = path.substr(0, end == std::wstring::npos ? path.size() : end);
        m_newKeys[{root, win::UpperCase(level)}];
        if (m_observer) m_observer->KeyCreated(root, level);
        if (end == std::wstring::npos) break;
    }
    return m_keys.insert_or_assign(KeyId{root, win::UpperCase(path), Access::Create}, win::RegKey(key)).first->second.get();
}

// Below a key this session made nothing can exist that it did not make itself.
bool Session::BelowNewKey(Root root, const std::wstring& upper) const {
    for (size_t at = upper.rfind(L'\\'); at != std::wstring::npos && at > 0; at = upper.rfind(L'\\', at - 1))
        if (m_newKeys.count({root, upper.substr(0, at)})) return true;
    return false;
}

// A level is reported before it is made, and only when it is missing: a key that was there
// before must never be taken for one the installation made.
HKEY Session::CreateLevel(Root root, const std::wstring& path, HKEY parent, const std::wstring& name, bool missing,
                          LONG& error) {
    HKEY key = nullptr;
    const std::wstring upper = win::UpperCase(path);
    // Below a key this session made, everything is new: the outermost new key stands for it all.
    if (m_observer && missing && !m_newKeys.count({root, win::UpperCase(ParentOf(path))})) {
        m_observer->WillCreateKey(root, path);
    } else if (m_observer && !m_newKeys.count({root, win::UpperCase(ParentOf(path))})) {
        error = ::RegOpenKeyExW(parent, name.c_str(), 0, Mask(Access::Create), &key);
        if (error == ERROR_SUCCESS)
            return m_keys.insert_or_assign(KeyId{root, upper, Access::Create}, win::RegKey(key)).first->second.get();
        if (error != ERROR_FILE_NOT_FOUND) return nullptr;
        m_observer->WillCreateKey(root, path);
    }
    DWORD disposition = 0;
    error = ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, Mask(Access::Create), nullptr, &key, &disposition);
    if (error != ERROR_SUCCESS) return nullptr;
    if (disposition == REG_CREATED_NEW_KEY) {
        m_newKeys[{root, upper}];
        if (m_observer) m_observer->KeyCreated(root, path);
    }
    return m_keys.insert_or_assign(KeyId{root, upper, Access::Create}, win::RegKey(key)).first->second.get();
}

bool Session::SetValue(const Write& w, HKEY key, DWORD type, const BYTE* data, DWORD size) {
    const std::wstring& name = w.op == Op::SetDefault ? std::wstring() : w.valueName;
    ValueState before;
    // A key made in this session holds only what the session wrote into it.
    auto made = m_newKeys.find({w.root, win::UpperCase(w.key)});
    const bool surelyAbsent = made != m_newKeys.end() && made->second.insert(win::UpperCase(name)).second;
    if (m_observer && !surelyAbsent) before = StateOf(key, name);
    const ValueState written{true, type, {data, data + size}};
    // A repair finds most values as it would write them: those need neither a write nor a line
    // of the log, and are reported all the same (the record keeps them).
    if (m_observer && !surelyAbsent && before == written) {
        m_observer->ValueWritten(w.root, w.key, name, before, written);
        return true;
    }
    // A value in a key this session made goes with that key; others are told before.
    if (m_observer && !surelyAbsent) m_observer->WillWriteValue(w.root, w.key, name, before, written);
    LONG rc = ::RegSetValueExW(key, name.c_str(), 0, type, data, size);
    if (rc != ERROR_SUCCESS) return Refused(w, rc);
    if (m_observer) m_observer->ValueWritten(w.root, w.key, name, before, written);
    return true;
}

LONG Session::DeleteKey(Root root, const std::wstring& path) {
    HeldValues values;
    // What is deleted is told first, with its values; a key that is not there is not asked for
    // twice, and one whose values cannot be read is not deleted (it could not be put back).
    if (m_observer) {
        const LONG rc = ReadAllValues(RootKey(root), path, values);
        if (rc != ERROR_SUCCESS) return rc;
        m_observer->WillDeleteKey(root, path, values);
    }
    Forget(root, path);
    LONG rc = ::RegDeleteKeyW(RootKey(root), path.c_str());
    if (rc == ERROR_SUCCESS && m_observer) m_observer->KeyDeleted(root, path, values);
    return rc;
}

// Handles of a deleted key would only refuse further writes.
void Session::Forget(Root root, const std::wstring& path) {
    const std::wstring upper = win::UpperCase(path);
    auto gone = [&](Root haveRoot, const std::wstring& have) {
        return haveRoot == root && have.compare(0, upper.size(), upper) == 0 &&
               (have.size() == upper.size() || have[upper.size()] == L'\\');
    };
    for (auto it = m_keys.begin(); it != m_keys.end();)
        it = gone(it->first.root, it->first.path) ? m_keys.erase(it) : std::next(it);
    for (auto it = m_newKeys.begin(); it != m_newKeys.end();)
        it = gone(it->first.first, it->first.second) ? m_newKeys.erase(it) : std::next(it);
}

bool Session::Refused(const Write& w, LONG error) {
    if (m_observer) m_observer->WriteRefused(w, error);
    return false;
}

bool Session::Apply(const Write& w) {
    LONG error = ERROR_SUCCESS;
    if (w.op == Op::DeleteKey) {
        error = DeleteKey(w.root, w.key);
        if (error == ERROR_FILE_NOT_FOUND) return false;  // nothing to delete is no refusal
        return error == ERROR_SUCCESS || Refused(w, error);
    }
    if (w.op == Op::RecreateString) {
        // Opened as the write below uses it, so that a key left as it is is opened once.
        const HKEY there = Open(w.root, w.key, Access::Create, error);
        if (there && HoldsJust(there, w)) {  // found as it would be written: reported all the same
            if (m_observer) m_observer->ValueWritten(w.root, w.key, w.valueName, StringState(w.text), StringState(w.text));
            return true;
        }
        DeleteKey(w.root, w.key);
        error = ERROR_SUCCESS;
    }
    HKEY key = nullptr;
    if (w.op == Op::SetDefault || w.op == Op::CreateKey || w.open == Open::Create)
        key = Create(w.root, w.key, error);
    else
        key = Open(w.root, w.key, w.open == Open::AllAccess ? Access::AllAccess : Access::SetValue, error);
    if (!key) return Refused(w, error);
    switch (w.op) {
        case Op::CreateKey: return true;
        case Op::SetDword: return SetValue(w, key, REG_DWORD, reinterpret_cast<const BYTE*>(&w.number), sizeof(DWORD));
        default:
            return SetValue(w, key, REG_SZ, reinterpret_cast<const BYTE*>(w.text.c_str()), StringBytes(w.text));
    }
}

void Session::ApplyAll(const std::vector<Write>& writes) {
    for (const Write& w : writes) Apply(w);
}

bool Apply(const Write& w) {
    Session session(&Journal());
    return session.Apply(w);
}

void ApplyAll(const std::vector<Write>& writes) {
    Session session(&Journal());
    session.ApplyAll(writes);
}

void Append(std::vector<Write>& writes, const std::vector<Write>& more) {
    writes.insert(writes.end(), more.begin(), more.end());
}

}  // namespace reg
