#include "wizard/run_wizard.h"

// Placeholder until the wizard exists: without "/silent" nothing is installed yet.
bool RunWizard() { return false; }
