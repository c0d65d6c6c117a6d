#pragma once
// The settings files live in folders the user may write (%APPDATA%, a program folder outside
// Program Files): each is read and replaced through the handle of its folder, which must be a
// real folder reached as named, and never through a link at the file's name.
#include <windows.h>

#include <string>

#include "install/settings/ini_unicode.h"
#include "win/folder_handle.h"

struct SettingsPlace {
    win::Folder folder;
    std::wstring path;  // as the journal names it
    std::wstring name;
};

// Opens the folder of `path`; false, with the error, when it is missing or leads elsewhere.
bool OpenSettingsPlace(const std::wstring& path, SettingsPlace& place, DWORD& error);

// The file's bytes; `exists` false (and true returned) when there is none. False when the name
// leads elsewhere (ERROR_CANT_ACCESS_FILE) or the file cannot be read.
bool ReadSettingsBytes(const SettingsPlace& place, std::string& bytes, bool& exists, DWORD& error);

// A new file `name` beside the settings file holding `bytes`, returned open for its rename.
win::File WriteBeside(const SettingsPlace& place, const std::wstring& name, const std::string& bytes, DWORD& error);

// Settings text as its file holds it, and back; a new file is 8-bit text as the profile
// functions make it.
std::wstring DecodeSettingsText(const std::string& bytes, IniEncoding encoding);
std::string EncodeSettingsText(const std::wstring& text, IniEncoding encoding);
