#include "uninstall/undo_report.h"

#include <algorithm>

namespace undo {

bool IsKept(Verdict verdict) { return verdict >= Verdict::Changed; }

bool AnyKept(const std::vector<Step>& steps) {
    return std::any_of(steps.begin(), steps.end(), [](const Step& s) { return IsKept(s.verdict); });
}

int ExitCodeFor(const std::vector<Step>& steps) { return AnyKept(steps) ? kExitPartlyKept : kExitRemoved; }

const wchar_t* ExitCodeMeaning(int code) {
    switch (code) {
        case kExitRemoved: return L"removed";
        case kExitViewerRunning: return L"not removed: the viewer is running";
        case kExitNothingToUninstall: return L"not removed: no installation's record in the uninstaller's folder";
        case kExitPartlyKept: return L"removed, but something was kept (see the log)";
        case kExitCancelled: return L"not removed: cancelled";
        case kExitAnotherRun: return L"not removed: another setup or uninstaller of the product is running";
        case kExitNoDesktop: return L"not removed: no visible desktop for the dialog (use /silent)";
        case kExitLogRefused: return L"not removed: an interrupted installation's log names places not the product's";
        case kExitRecordUnproven:
            return L"removed what is surely the product's: the record is not the one an administrator's run wrote, "
                   L"nothing was put back from it";
        case kExitUserScopeElevated:
            return L"not removed: a per-user installation is removed without administrator rights, and this run has them";
        case kExitElevationRequired: return L"not removed: no administrator rights";
    }
    return L"";
}

}  // namespace undo
