#include "install/payload.h"

// Placeholder until the extraction exists.
int ExtractPayload(const std::wstring&, int) { return -1; }
int UnpackArchive(const std::wstring&, const std::wstring&, int) { return -1; }
