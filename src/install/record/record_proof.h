#pragma once
// The proof that a record in the program folder is the one an administrator's run put there:
// the record's digest, kept in the uninstall entry, which only administrators may write and
// which goes with the installation. A program folder outside Program Files may let others
// rewrite the record; what the elevated uninstaller and a later setup take from it must not
// be theirs to choose.
#include <windows.h>

#include <string>

namespace record {

constexpr wchar_t kProofValue[] = L"InstallRecordSHA256";

// Whether a record with `digest` is the one the proof names. Earlier versions kept no proof:
// their records are taken as proven only in Program Files, which only administrators may write.
bool IsProven(const std::wstring& digest, const std::wstring& proof, bool inProgramFiles);

// Keeps `digest` as the proof; false (with the error) when the uninstall entry cannot take it.
bool KeepProof(const std::wstring& digest, DWORD& error);
// The kept proof; empty when there is none.
std::wstring ReadProof();

// Whether `folder` lies in the machine's Program Files folder.
bool IsInProgramFiles(const std::wstring& folder);

}  // namespace record
