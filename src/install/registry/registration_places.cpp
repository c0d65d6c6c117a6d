#include "install/registry/registration_places.h"

#include "install/install_places.h"
#include "install/registry/registration.h"
#include "win/path_text.h"

namespace reg {
namespace {

constexpr int kEveryVersionClass = 10;  // the one class with the most writes

std::wstring ValueId(Root root, const std::wstring& key, const std::wstring& name) {
    return CanonicalKey(root, key) + L"\n" + win::UpperCase(name);
}

}  // namespace

std::wstring CanonicalKey(Root root, const std::wstring& key) {
    if (root == Root::ClassesRoot) return L"HKLM\\SOFTWARE\\CLASSES\\" + win::UpperCase(key);
    return (root == Root::CurrentUser ? L"HKCU\\" : L"HKLM\\") + win::UpperCase(key);
}

RegistrationPlaces::RegistrationPlaces(const InstallPlaces& scope) {
    std::array<int, kAssocSelectionSize> everyType;
    everyType.fill(1);
    for (const Write& table : RegistrationWrites(1, L"C:\\Lumiscope\\", 1, everyType, kEveryVersionClass)) {
        const Write w = scope.Placed(table);
        if (!scope.Keeps(w)) continue;
        const std::wstring key = CanonicalKey(w.root, w.key);
        if (w.op == Op::DeleteKey || w.op == Op::RecreateString) m_deletedKeys.insert(key);
        if (w.op == Op::DeleteKey) continue;
        for (size_t at = key.find(L'\\', 5); at != std::wstring::npos; at = key.find(L'\\', at + 1))
            m_keys.insert(key.substr(0, at));
        m_keys.insert(key);
        if (w.op != Op::CreateKey) m_values.insert(ValueId(w.root, w.key, w.op == Op::SetDefault ? L"" : w.valueName));
    }
}

bool RegistrationPlaces::HoldsValue(Root root, const std::wstring& key, const std::wstring& name) const {
    return m_values.count(ValueId(root, key, name)) != 0;
}

bool RegistrationPlaces::HoldsKey(Root root, const std::wstring& key) const {
    return m_keys.count(CanonicalKey(root, key)) != 0;
}

bool RegistrationPlaces::HoldsDeletedKey(Root root, const std::wstring& key) const {
    return m_deletedKeys.count(CanonicalKey(root, key)) != 0;
}

}  // namespace reg
