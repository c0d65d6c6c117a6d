#include "uninstall/undo_report.h"

#include <algorithm>

namespace undo {

bool IsKept(Verdict verdict) { return verdict >= Verdict::Changed; }

bool AnyKept(const std::vector<Step>& steps) {
    return std::any_of(steps.begin(), steps.end(), [](const Step& s) { return IsKept(s.verdict); });
}

int ExitCodeFor(const std::vector<Step>& steps) { return AnyKept(steps) ? kExitPartlyKept : kExitRemoved; }

}  // namespace undo
