#pragma once
// Putting the registry back: what the setup's rollback of a failed or interrupted installation
// and the uninstaller both do. A value goes back only while it holds what was written (someone
// else's later change stays); a key goes only when the installation made it, and with its
// subtree only when it is one of the product's own keys.
#include <string>

#include "install/registry/registry_ops.h"

namespace reg {

// The product's own keys, removed with everything below them when an installation made them:
// its ProgIDs, its "Applications" entry, the folder and drive verb, its application key and
// capabilities, and its uninstall entry. HKCR counts as the machine's classes key.
bool IsProductKey(Root root, const std::wstring& key);
// A user's choice of program for a file type; Windows guards these with a hash, so nothing
// ever writes one back.
bool IsUserChoiceKey(Root root, const std::wstring& key);

enum class ValueAction { Restore, Delete, Nothing, Leave };
// What to do with a value that held `before` and was set to `written`, now that it holds
// `current`.
ValueAction DecideValue(Root root, const std::wstring& key, const ValueState& before, const ValueState& written,
                        const ValueState& current);

enum class Undone { Removed, Restored, AlreadyGone, LeftChanged, LeftNotEmpty, Failed };
struct UndoResult {
    Undone what = Undone::Removed;
    DWORD error = 0;
};

// A value as it is now (absent when its key is gone); false, with `error`, when it cannot be read.
bool ReadValue(Root root, const std::wstring& key, const std::wstring& name, ValueState& state, DWORD& error);

UndoResult PutValueBack(Root root, const std::wstring& key, const std::wstring& name, const ValueState& before,
                        const ValueState& written);
// A key that was deleted, made again with the values it held, unless it exists again.
UndoResult RecreateKey(Root root, const std::wstring& key, const HeldValues& values);
UndoResult RemoveKeyIfEmpty(Root root, const std::wstring& key);
UndoResult RemoveKeyTree(Root root, const std::wstring& key);

}  // namespace reg
