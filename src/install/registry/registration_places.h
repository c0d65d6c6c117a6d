#pragma once
// Where in the registry an installation of this product can have written, whatever its
// options: the keys and values of its own registration tables. A record that names anything
// else was not made by the setup, and nothing of it is done: an administrator's uninstaller
// must not write a value (an autostart entry, say) because a file in the program folder says so.
#include <set>
#include <string>

#include "install/registry/registry_ops.h"

struct InstallPlaces;

namespace reg {

class RegistrationPlaces {
public:
    // From the tables the setup writes with, with every option chosen, where `scope` keeps them.
    explicit RegistrationPlaces(const InstallPlaces& scope);

    // A value the tables write.
    bool HoldsValue(Root root, const std::wstring& key, const std::wstring& name) const;
    // A key the tables write into, or one of its parents (made when missing).
    bool HoldsKey(Root root, const std::wstring& key) const;
    // A key the tables delete (an old icon entry, the user's choice of a file type).
    bool HoldsDeletedKey(Root root, const std::wstring& key) const;

private:
    std::set<std::wstring> m_values;
    std::set<std::wstring> m_keys;
    std::set<std::wstring> m_deletedKeys;
};

// The one name a key has, whichever root names it (HKCR is the machine's classes key), in
// upper case, as the registry compares names.
std::wstring CanonicalKey(Root root, const std::wstring& key);

}  // namespace reg
