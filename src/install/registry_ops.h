#pragma once
// Registry work as data. The registration builds lists of these records from the install
// request and applies them with one routine, so that the same lists say exactly what an
// installation wrote (and what an uninstaller has to take away again).
#include <windows.h>
#include <string>
#include <vector>

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

// Carries out one write against the predefined root keys. False when the system refused it;
// callers go on with the next write either way.
bool Apply(const Write& write);
void ApplyAll(const std::vector<Write>& writes);

// Appends `more` to `writes`.
void Append(std::vector<Write>& writes, const std::vector<Write>& more);

}  // namespace reg
