#include "install/icon_library.h"

// Placeholder until the icon-library check exists.
bool ReadVersionInfo(const std::wstring&, std::wstring&, std::wstring*) { return false; }
int CheckExistingIconLibrary(const std::wstring&) { return 0; }
