#pragma once
// Taking an installation back, or completing it, from what its transaction log says it was
// about to change. The same routines serve the run that failed and the next run of the setup
// or the uninstaller after one that was ended from outside (killed, timed out, power cut):
// every step looks at what is there now, so that repeating it, or finding it half done, does
// no harm.
#include <set>
#include <string>
#include <vector>

namespace txn {

constexpr char kLogHeader[] = "Lumiscope transaction 1";

// Takes back everything the log names, newest first: registry values to their states before
// (while they still hold what was written), deleted keys made again, made keys removed with
// everything below them, made folders removed when empty, files back from their
// backups, new files and the staged ones removed. Returns a line for each thing that could not
// be put back. A run that takes itself back names the folders it made (upper case): a folder
// the log names that it did not make (one planted at its name made the run fail) stays.
std::vector<std::wstring> RollBackFromLog(const std::string& text, const std::set<std::wstring>* made = nullptr);

// Run once at the start of the setup and the uninstaller, with the installation lock held: a
// log left by an earlier run (which can only have ended without finishing) is completed or
// taken back, and removed. Returns what was done, for the caller's log; empty when there was
// nothing to repair.
std::vector<std::wstring> RepairInterruptedInstallation();

}  // namespace txn
