#include "install/request/installed_version.h"

#include <windows.h>

#include "install/install_places.h"
#include "install/payload/icon_library.h"
#include "install/registry/registration.h"
#include "install/request/install_request.h"
#include "win/text.h"
#include "win/unique_handle.h"

bool IsNewerThan(const ProductVersion& installed, const ProductVersion& setup) {
    return installed.major != setup.major ? installed.major > setup.major : installed.minor > setup.minor;
}

std::wstring VersionText(const ProductVersion& version) {
    return win::Format(L"%d.%02d", version.major, version.minor);
}

namespace {

bool ReadNumber(HKEY key, const wchar_t* name, int& number) {
    DWORD data = 0;
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    number = static_cast<int>(data);
    return true;
}

ProductVersion EntryVersion() {
    ProductVersion version;
    HKEY opened = nullptr;
    // The entry of the run's own scope: the other scope's installation is another one.
    const InstallPlaces& places = Places();
    if (::RegOpenKeyExW(reg::RootKey(places.entryRoot), places.entryKey.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return version;
    win::RegKey key(opened);
    ProductVersion read;
    if (ReadNumber(key.get(), L"VersionMajor", read.major) && ReadNumber(key.get(), L"VersionMinor", read.minor))
        version = read;
    return version;
}

}  // namespace

ProductVersion InstalledVersion(const std::wstring& targetFolder) {
    ProductVersion later = EntryVersion();
    ProductVersion file;
    std::wstring folder = targetFolder;
    win::AppendBackslash(folder);
    if (ReadFileVersion(folder + kViewerExe, file.major, file.minor) && IsNewerThan(file, later)) later = file;
    return later;
}
