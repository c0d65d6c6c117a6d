#pragma once
// Settings text changed in memory the way the system's profile functions change a file:
// sections and keys found without regard to case or surrounding blanks, a key's line replaced
// in place, a new key after the last entry of its section, a new section at the end. The
// settings file itself is read and written through handles (see settings_store.h), never by
// the profile functions, which would follow a link at its name.
#include <string>

// The value of `key` in `section`; empty when there is none.
std::wstring IniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key);

// Sets `key` in `section` to `value`; a null value removes the key.
void SetIniValue(std::wstring& text, const std::wstring& section, const std::wstring& key, const wchar_t* value);
