#pragma once
// The renames and deletions the system carries out at the next restart
// (PendingFileRenameOperations), as far as an installation must change them.
#include <string>
#include <vector>

#include "install/journal.h"

namespace txn {

// Takes out every pending rename or deletion that names one of `written` (full paths of the
// files an installation is about to put in place) or a folder that holds one of them. The
// change is told to `ahead` first (a write-ahead log puts the value back on a roll-back) and
// each pair taken out is noted in the journal. Nothing to take out: nothing is written. False
// when pairs that must go could not be taken out (the restart would undo the installation).
bool KeepFromPendingRenames(const std::vector<std::wstring>& written, InstallJournal& ahead);

}  // namespace txn
