#include "install/registration.h"

// Placeholder until the registration exists.
int RegisterViewer(int, const std::wstring&, int, int, int, int, const std::array<int, kAssocSelectionSize>&) {
    return 1;
}
