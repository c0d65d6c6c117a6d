#pragma once
// What one installation did, kept in the program folder so that the uninstaller can take away
// exactly that and put back what was there before. The record is UTF-8 text, one item per
// line, so that an administrator can read it; it is replaced as a whole (temporary file, then
// rename), never edited in place.
//
// Layout: the first line is "Lumiscope install record <version>". Every further line is one
// item: a keyword and its fields, separated by a tab. Text fields escape "\" as "\\", tab as
// "\t", CR as "\r", LF as "\n" (so a line never breaks inside a field). Registry data is
// "absent", or "<type>:<data>" with the type as a decimal number and the data as lower-case
// hex bytes (empty for no bytes). Numbers are decimal; a CRC is 8 hex digits.
//   program  <program folder, trailing backslash>
//   folder   <full path of a folder this installation created>
//   file     <path relative to the program folder>  <size>  <crc-32>
//   link     <full path of a shell link it created>
//   settings <full path of a settings file that did not exist before>
//   key      <root>  <key>                         (a key that did not exist before)
//   value    <root>  <key>  <name>  <before>  <written>
//   deleted  <root>  <key>                         (a key the installation deleted ...)
//   held     <name>  <data>                        (... and each value it held, right after it)
// Roots are "HKLM", "HKCU" and "HKCR". A value name is empty for a key's default value.
// Unknown keywords make the record damaged: an uninstaller must not guess.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install/registry/registry_ops.h"

namespace record {

constexpr wchar_t kRecordFileName[] = L"lm_install.rec";
constexpr wchar_t kRecordTempName[] = L"lm_install.rec_temp";
constexpr int kRecordVersion = 1;

// A registry value's state: absent, or its type and raw bytes as the registry returns them.
using ValueData = reg::ValueState;

struct RecordedFile {
    std::wstring path;   // relative to the program folder, "\" separators
    uint64_t size = 0;
    uint32_t crc = 0;    // CRC-32 as the archive gives it
};

struct RecordedValue {
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key;
    std::wstring name;   // empty: the key's default value
    ValueData before;    // before the first installation that wrote it
    ValueData written;   // what the latest installation wrote
};

struct RecordedKey {
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key;
};

struct HeldValue {
    std::wstring name;
    ValueData data;
};

// A key that an installation deleted, with the values it held then (deleted keys have no
// subkeys: the installation only deletes leaf keys).
struct DeletedKey {
    reg::Root root = reg::Root::LocalMachine;
    std::wstring key;
    std::vector<HeldValue> values;
};

// Everything in the order it happened; an uninstaller undoes it in reverse.
struct InstallRecord {
    std::wstring programFolder;                // with trailing backslash
    std::vector<std::wstring> createdFolders;  // parents before children
    std::vector<RecordedFile> files;
    std::vector<std::wstring> links;
    std::vector<std::wstring> settingsFiles;   // settings files the product created
    std::vector<RecordedKey> createdKeys;      // parents before children
    std::vector<RecordedValue> values;
    std::vector<DeletedKey> deletedKeys;
};

// The record as UTF-8 text in the layout above.
std::string FormatRecord(const InstallRecord& record);

// Reads a record; false (and `record` unspecified) when the text is not a record of this
// version or any line is malformed.
bool ParseRecord(const std::string& text, InstallRecord& record);

// The record of an installation over an earlier one: the earlier "before" state of a value,
// key creation and key deletion wins (it is what was there before the first installation);
// sizes, CRCs and written data come from the latest; items only the earlier one had stay.
// Paths, keys and names compare without regard to case, as Windows compares them.
InstallRecord MergeRecords(const InstallRecord& earlier, const InstallRecord& latest);

// False when the record names anything an installation of this product cannot have made: a
// program folder that is not an absolute folder path or is a drive root; a file path that is
// not a plain relative name inside the program folder (no "..", drive, colon or leading
// separator); a created folder outside the program folder that is not an ancestor of the
// program folder or of a recorded link or settings file, or that is a drive root; a link that
// is not one of the product's link names in its place; a settings file not named
// "lu_scp64.ini"; an empty key; a registry key or value that the setup's registration tables
// do not write (reg::RegistrationPlaces).
bool IsRecordSafe(const InstallRecord& record);

// What may be taken from a record whose content no administrator's run is known to have
// written: the files in the program folder (each goes only with its recorded size and CRC-32),
// the product's links (each goes only while it points into the program folder), the folders
// made inside the program folder and the product's own registry keys. No value is put back,
// no deleted key made again, no settings file or folder elsewhere is named.
InstallRecord ProductPart(const InstallRecord& record);

}  // namespace record
