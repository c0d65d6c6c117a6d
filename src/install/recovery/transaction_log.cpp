#include "install/recovery/transaction_log.h"

#include <map>

#include "install/install_places.h"
#include "win/text.h"

namespace txn {
namespace {

constexpr DWORD kNameChars = 32;

std::wstring PieceName(unsigned n) { return win::Format(L"%08u", n); }

}  // namespace

std::wstring LogRefusedText() {
    return L"Das Protokoll einer unterbrochenen Installation von Lumiscope (" + Places().logKeyText +
           L") nennt Orte, die nicht zu Lumiscope geh\u00f6ren. Es wurde nichts ge\u00e4ndert; ein Administrator muss es "
           L"pr\u00fcfen.";
}

bool TransactionLog::CanBeKept() {
    // A process without administrator rights (or one whose rights UAC has filtered) may read
    // the machine's SOFTWARE key but not create keys below it; 64-bit programs with a manifest
    // are never redirected to a virtual copy of it. A user's run keeps its log in the user's
    // own SOFTWARE key.
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(reg::RootKey(Places().logRoot), L"SOFTWARE", 0, KEY_CREATE_SUB_KEY, &raw) != ERROR_SUCCESS)
        return false;
    win::RegKey key(raw);
    return true;
}

bool TransactionLog::Create() {
    EraseFound();
    HKEY key = nullptr;
    if (::RegCreateKeyExW(reg::RootKey(Places().logRoot), Places().logKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    m_key.reset(key);
    m_pieces = 0;
    return true;
}

bool TransactionLog::Append(const std::string& text) {
    if (!m_key || text.empty()) return false;
    return ::RegSetValueExW(m_key.get(), PieceName(m_pieces++).c_str(), 0, REG_BINARY,
                            reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

void TransactionLog::Flush() {
    if (m_key) ::RegFlushKey(m_key.get());
}

void TransactionLog::Erase() {
    if (!m_key) return;
    m_key.reset();
    EraseFound();
}

bool TransactionLog::Find(std::string& text) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(reg::RootKey(Places().logRoot), Places().logKey.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
    win::RegKey key(raw);
    std::map<std::wstring, std::string> pieces;  // the names sort as the pieces were written
    for (DWORD i = 0;; ++i) {
        wchar_t name[kNameChars];
        DWORD nameChars = kNameChars;
        DWORD size = 0;
        if (::RegEnumValueW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) break;
        std::string piece(size, '\0');
        nameChars = kNameChars;
        if (::RegEnumValueW(key.get(), i, name, &nameChars, nullptr, nullptr, reinterpret_cast<BYTE*>(piece.data()),
                            &size) != ERROR_SUCCESS)
            break;
        piece.resize(size);
        pieces[std::wstring(name, nameChars)] = piece;
    }
    text.clear();
    for (const auto& piece : pieces) text += piece.second;
    return true;
}

void TransactionLog::EraseFound() {
    const HKEY root = reg::RootKey(Places().logRoot);
    ::RegDeleteTreeW(root, Places().logKey.c_str());
    ::RegDeleteKeyW(root, Places().logKey.c_str());
}

}  // namespace txn
