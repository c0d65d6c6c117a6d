#pragma once
// Taking an installation back, or completing it, from what its transaction log says it was
// about to change. The same routines serve the run that failed and the next run of the setup
// or the uninstaller after one that was ended from outside (killed, timed out, power cut):
// every step looks at what is there now, so that repeating it, or finding it half done, does
// no harm. Only a log whose every item lies within the product's places is acted on
// (repair_bounds.h); any other is left where it is, whole, for an administrator.
#include <set>
#include <string>
#include <vector>

#include "install/recovery/log_text.h"

namespace txn {

// What a rollback or repair did: a line for each thing that could not be put back, or for each
// item outside the bounds; `refused` when the log named such an item and nothing was done.
struct RepairResult {
    std::vector<std::wstring> lines;
    bool refused = false;
};

// Takes back everything the log names, newest first: registry values to their states before
// (while they still hold what was written), deleted keys made again, made keys removed (with
// everything below them while all of it is the product's), made folders removed when empty,
// files back from the backups the log says were made, new files and the staged ones removed.
// A run that takes itself back names the folders it made (upper case): a folder the log names
// that it did not make (one planted at its name made the run fail) stays.
RepairResult RollBackFromLog(const std::string& text, const std::set<std::wstring>* made = nullptr);

// Run once at the start of the setup and the uninstaller, with the installation lock held: a
// log left by an earlier run (which can only have ended without finishing) is completed or
// taken back, and removed. The lines say what was done, for the caller's log; none when there
// was nothing to repair. A refused log stays, and the caller changes nothing either.
RepairResult RepairInterruptedInstallation();

}  // namespace txn
