#pragma once
// The version already installed, so that an older setup never replaces a newer installation.
#include <string>

struct ProductVersion {
    int major = 0;
    int minor = 0;  // 70 for 4.70
};

// True when `installed` is later than `setup`: the same version again (a repair) and an
// older installation may be replaced.
bool IsNewerThan(const ProductVersion& installed, const ProductVersion& setup);

// "4.70"
std::wstring VersionText(const ProductVersion& version);

// The later of the uninstall entry's VersionMajor/VersionMinor and the file version of the
// viewer's program in `targetFolder`; 0.0 when neither is there.
ProductVersion InstalledVersion(const std::wstring& targetFolder);
