#pragma once
// Which of the renames and deletions that wait for the next restart an installation takes out.
// An earlier removal schedules its own uninstaller and the program folder for deletion at the
// restart (a running program cannot delete its own file); an installation into the same
// folder before that restart must not lose its new files to them. Text only: the value is
// read and written elsewhere.
#include <string>
#include <vector>

namespace txn {

// Where the system keeps them: a value of the machine's registry that an installation changes
// (written ahead like any other), so a repair may put it back.
constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The names of a REG_MULTI_SZ value (each ended by a NUL, the list by one more); an empty
// name is kept, as the value holds one for "delete" targets.
std::vector<std::wstring> SplitMultiString(const std::wstring& data);
std::wstring JoinMultiString(const std::vector<std::wstring>& names);

// A name of the value as a path: without the "!" that marks a replace and without the "\??\"
// prefix ("\??\UNC\server\share" becomes "\\server\share"); empty for an empty name.
std::wstring PendingPath(const std::wstring& name);

struct PendingPair {
    std::wstring source;
    std::wstring target;  // empty: the source is deleted
};

// The value's names as pairs; a trailing name without its partner is kept as a pair with an
// empty target (the system reads it so).
std::vector<PendingPair> PendingPairs(const std::vector<std::wstring>& names);

// Splits `pairs` into those that stay and those that go: a pair goes when its source or
// its target is one of `written` (files about to be written) or a folder that holds one of
// them (a folder the installation keeps).
void DropPairsNaming(const std::vector<PendingPair>& pairs, const std::vector<std::wstring>& written,
                     std::vector<PendingPair>& kept, std::vector<PendingPair>& dropped);

// The folders among the deletions of `dropped` (a deletion that names none of `written`, so a
// folder around them): the earlier removal made them go, this installation keeps them, so they
// count as made by it. Parents before children.
std::vector<std::wstring> FoldersKeptFromDeletion(const std::vector<PendingPair>& dropped,
                                                  const std::vector<std::wstring>& written);

// The pairs back as the value's names.
std::vector<std::wstring> PairNames(const std::vector<PendingPair>& pairs);

}  // namespace txn
