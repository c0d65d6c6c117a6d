#pragma once
// Where a repair may act: what an installation of the product can have changed, the same
// bounds the uninstaller keeps for a record. Files and folders inside the log's program folder,
// the product's links (by their names, in the desktop or in a folder named like the group) and
// settings files (by their name); the folders around those that a run makes; registry keys and
// values the setup's registration tables write (reg::RegistrationPlaces). A log that names
// anything else was not written by an installation of this product, and none of it is done.
// Pure: a rule of the log's text, asking nothing of the system.
#include <string>
#include <vector>

#include "install/recovery/log_text.h"

namespace txn {

// A line for each item of the log outside those bounds; empty when the log may be acted on.
std::vector<std::wstring> OutsideBounds(const ParsedLog& log);

// The log's program folder, a level above it or one inside it.
bool IsAroundProgram(const ParsedLog& log, const std::wstring& folder);

}  // namespace txn
