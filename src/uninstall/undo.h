#pragma once
// Takes away what the record says an installation did, in reverse: links, the registry,
// files, settings (with purge), folders; then, only when nothing was kept, the uninstall
// entry, the record and the uninstaller with the program folder. Tells the shell once.
#include <functional>
#include <string>
#include <vector>

#include "install/record/install_record.h"
#include "uninstall/undo_report.h"

namespace undo {

struct UndoOptions {
    bool purge = false;  // the settings files the product created go too
};

// Called with every step as soon as it is done (the log).
using StepSink = std::function<void(const Step&)>;

// Every step in the order done. The record must be safe (record::IsRecordSafe).
std::vector<Step> UndoInstallation(const record::InstallRecord& r, const UndoOptions& options, const StepSink& sink);

}  // namespace undo
