#pragma once
// Registry work as data. The registration builds lists of these records from the install
// request and applies them with one routine, so that the same lists say exactly what an
// installation wrote (and what an uninstaller has to take away again).
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "win/unique_handle.h"

namespace reg {

enum class Root { LocalMachine, CurrentUser, ClassesRoot };

enum class Op {
    SetDefault,      // the key's unnamed value as a string; missing keys are created
    SetString,       // a named REG_SZ (terminator counted), only when the key opens as `open` says
    SetDword,        // a named 4-byte REG_DWORD, likewise
    DeleteKey,       // the key itself (no subkeys); whether that worked does not matter
    CreateKey,       // the key is created (or opened) and closed again
    RecreateString,  // delete the key, create it anew and set a named REG_SZ in it
};

// How a named value's key is reached.
enum class Open { AllAccess, SetValue, Create };

struct Write {
    Root root = Root::LocalMachine;
    std::wstring key;
    Op op = Op::SetDefault;
    Open open = Open::AllAccess;
    std::wstring valueName;
    std::wstring text;
    DWORD number = 0;
};

bool operator==(const Write& a, const Write& b);
inline bool operator!=(const Write& a, const Write& b) { return !(a == b); }

Write SetDefault(Root root, const std::wstring& key, const std::wstring& text);
Write SetString(Root root, const std::wstring& key, Open open, const std::wstring& name, const std::wstring& text);
Write SetDword(Root root, const std::wstring& key, Open open, const std::wstring& name, DWORD number);
Write DeleteKey(Root root, const std::wstring& key);
Write CreateKey(Root root, const std::wstring& key);
Write RecreateString(Root root, const std::wstring& key, const std::wstring& name, const std::wstring& text);

// The predefined key a root stands for.
HKEY RootKey(Root root);
// "HKLM\<key>" and the like, as the logs name a key.
std::wstring KeyText(Root root, const std::wstring& key);

// A value's state as the registry holds it: absent, or its type and raw bytes.
struct ValueState {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
bool operator==(const ValueState& a, const ValueState& b);
inline bool operator!=(const ValueState& a, const ValueState& b) { return !(a == b); }
using HeldValues = std::vector<std::pair<std::wstring, ValueState>>;

// Reads a value of an open key into `state` (absent when there is none): ERROR_SUCCESS, or the
// error that kept it from being read.
LONG QueryValue(HKEY key, const std::wstring& name, ValueState& state);

// Told what each write will change and then changed, with what was there before, so that it
// can be undone; and which writes the system refused.
class Observer {
public:
    virtual ~Observer() = default;
    // Before each change, with what it will change. Of the keys a session makes only the
    // outermost is told, and no value written into a key it made: everything below a key that
    // did not exist is new, and goes with it.
    virtual void WillCreateKey(Root, const std::wstring& /*key*/) {}
    virtual void WillWriteValue(Root, const std::wstring& /*key*/, const std::wstring& /*name*/,
                                const ValueState& /*before*/, const ValueState& /*written*/) {}
    virtual void WillDeleteKey(Root, const std::wstring& /*key*/, const HeldValues& /*values*/) {}
    // After it.
    virtual void KeyCreated(Root, const std::wstring& /*key*/) {}
    virtual void KeyDeleted(Root, const std::wstring& /*key*/, const HeldValues& /*values*/) {}
    virtual void ValueWritten(Root, const std::wstring& /*key*/, const std::wstring& /*name*/,
                              const ValueState& /*before*/, const ValueState& /*written*/) {}
    virtual void WriteRefused(const Write&, LONG /*error*/) {}
};

// Carries out writes in order. Each key is opened (or created, level by level) once and kept
// open for the writes that follow, so a key with many values costs one open; a value's state
// is read before it is overwritten, for the observer.
class Session {
public:
    explicit Session(Observer* observer = nullptr) : m_observer(observer) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // False when the system refused the write; callers go on with the next write either way.
    bool Apply(const Write& write);
    void ApplyAll(const std::vector<Write>& writes);

private:
    enum class Access { Create, AllAccess, SetValue };
    struct KeyId {
        Root root;
        std::wstring path;  // upper case: the registry ignores case
        Access access;
        bool operator<(const KeyId& other) const;
    };
    static REGSAM Mask(Access access);
    HKEY Open(Root root, const std::wstring& path, Access access, LONG& error);
    HKEY Create(Root root, const std::wstring& path, LONG& error);
    bool BelowNewKey(Root root, const std::wstring& upper) const;
    // `missing`: the level is known not to exist (its open just failed).
    HKEY CreateLevel(Root root, const std::wstring& path, HKEY parent, const std::wstring& name, bool missing,
                     LONG& error);
    HKEY CreateBelowNew(Root root, const std::wstring& path, HKEY parent, size_t start, LONG& error);
    bool SetValue(const Write& w, HKEY key, DWORD type, const BYTE* data, DWORD size);
    LONG DeleteKey(Root root, const std::wstring& path);
    void Forget(Root root, const std::wstring& path);
    bool Refused(const Write& w, LONG error);

    Observer* m_observer;
    std::map<KeyId, win::RegKey> m_keys;
    // Keys this session made, with the value names it has written into them since.
    std::map<std::pair<Root, std::wstring>, std::set<std::wstring>> m_newKeys;
};

// One write, or a list, in a session of their own that reports to the install journal.
bool Apply(const Write& write);
void ApplyAll(const std::vector<Write>& writes);

// Appends `more` to `writes`.
void Append(std::vector<Write>& writes, const std::vector<Write>& more);

}  // namespace reg
