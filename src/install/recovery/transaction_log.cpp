#include "install/recovery/transaction_log.h"

#include <map>

#include "win/text.h"

namespace txn {
namespace {

constexpr reg::Root kPlaces[] = {reg::Root::LocalMachine, reg::Root::CurrentUser};
constexpr DWORD kNameChars = 32;

std::wstring PieceName(unsigned n) { return win::Format(L"%08u", n); }

}  // namespace

bool TransactionLog::Create() {
    for (reg::Root root : kPlaces) {
        Erase(root);
        HKEY key = nullptr;
        if (::RegCreateKeyExW(reg::RootKey(root), kLogKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            m_key.reset(key);
            m_root = root;
            m_pieces = 0;
            return true;
        }
    }
    return false;
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
    Erase(m_root);
}

bool TransactionLog::Find(std::string& text, reg::Root& where) {
    for (reg::Root root : kPlaces) {
        HKEY raw = nullptr;
        if (::RegOpenKeyExW(reg::RootKey(root), kLogKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) continue;
        win::RegKey key(raw);
        std::map<std::wstring, std::string> pieces;  // the names sort as the pieces were written
        for (DWORD i = 0;; ++i) {
            wchar_t name[kNameChars];
            DWORD nameChars = kNameChars;
            DWORD size = 0;
            if (::RegEnumValueW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) break;
            std::string piece(size, '\0');
            nameChars = kNameChars;
            if (::RegEnumValueW(key.get(), i, name, &nameChars, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(piece.data()), &size) != ERROR_SUCCESS)
                break;
            piece.resize(size);
            pieces[std::wstring(name, nameChars)] = piece;
        }
        text.clear();
        for (const auto& piece : pieces) text += piece.second;
        where = root;
        return true;
    }
    return false;
}

void TransactionLog::Erase(reg::Root where) {
    ::RegDeleteTreeW(reg::RootKey(where), kLogKey);
    ::RegDeleteKeyW(reg::RootKey(where), kLogKey);
}

}  // namespace txn
