#pragma once
// Builds the title font and the five pages and runs the wizard modally.
// True when the wizard carried out an installation.
bool RunWizard();
