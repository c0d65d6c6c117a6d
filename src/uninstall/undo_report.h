#pragma once
// What became of each recorded item during an uninstallation, and the exit code that follows.
#include <windows.h>

#include <string>
#include <vector>

namespace undo {

enum class Item { File, Folder, Link, Settings, Value, Key, Record, Uninstaller, Entry };

enum class Verdict {
    Removed,       // deleted
    Restored,      // put back as it was before the installation
    AlreadyGone,   // nothing was left to do
    LeftChanged,   // someone changed it since the installation: left alone
    LeftNotEmpty,  // a folder or key that now holds what others put there: left alone
    NotRestored,   // a per-user choice the setup deleted: Windows guards these, they stay deleted
    KeptByChoice,  // the user's settings (no purge), or a folder that holds only them
    KeptForRetry,  // the uninstall entry and the record stay because something else was kept
    Scheduled,     // in use by the uninstallation itself: goes at the next restart
    Added,         // in the program folder, but not from the installation: the user's, it stays
                   // with its folder and does not keep the product registered
    // The verdicts below leave part of the installation behind (exit code 3).
    Changed,       // differs from what the installation wrote
    InUse,         // held open, or refused by the system
    Failed,        // the system refused the change
};

struct Step {
    Verdict verdict = Verdict::Removed;
    Item item = Item::File;
    std::wstring name;        // a path, or a key with its root ("HKLM\SOFTWARE\...")
    std::wstring valueName;   // for values: the name ("" is the default value)
    DWORD error = 0;          // the Win32 error, where one occurred
};

bool IsKept(Verdict verdict);
bool AnyKept(const std::vector<Step>& steps);

constexpr int kExitRemoved = 0;
constexpr int kExitViewerRunning = 1;
constexpr int kExitNothingToUninstall = 2;
constexpr int kExitPartlyKept = 3;
constexpr int kExitCancelled = 5;
constexpr int kExitAnotherRun = 6;  // another setup or uninstaller of the product is running
constexpr int kExitNoDesktop = 8;   // no /silent, and no visible desktop for the dialog
constexpr int kExitLogRefused = 11;  // an interrupted run's log names places not the product's
// The record was not the one an administrator's run wrote: only what is surely the product's
// went, nothing was put back (it would be 0 otherwise; 3 stays 3).
constexpr int kExitRecordUnproven = 12;
// A user's installation, and this run has administrator rights that its desktop's user has not.
constexpr int kExitUserScopeElevated = 14;
constexpr int kExitElevationRequired = 740;  // no administrator rights (ERROR_ELEVATION_REQUIRED)

// 0 when nothing was kept, else 3.
int ExitCodeFor(const std::vector<Step>& steps);
// The exit code's meaning, in the words the setup's step log uses for its own ("" for none).
const wchar_t* ExitCodeMeaning(int code);

}  // namespace undo
