#pragma once
// The registry side of an uninstallation: carries out one planned step against the predefined
// root keys (which tests redirect) and says what became of it.
#include <string>

#include "uninstall/file_ops.h"
#include "uninstall/undo_rules.h"

namespace undo {

// A value as it is now; false (with `error`) when it cannot be read.
bool ReadValueData(reg::Root root, const std::wstring& key, const std::wstring& name, record::ValueData& data,
                   DWORD& error);

Outcome UndoRegistryStep(const RegStep& step);

// The product keys of the record that another installation or someone else has written over.
std::vector<record::RecordedKey> TakenOverProductKeys(const record::InstallRecord& r);

}  // namespace undo
