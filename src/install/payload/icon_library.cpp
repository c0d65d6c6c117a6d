#include "install/payload/icon_library.h"

#include <windows.h>

#include <cmath>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "install/request/folders.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// The version library's three functions, looked up in a copy loaded from the system folder
// only, so that a version.dll planted beside the setup is never used.
struct VersionLibrary {
    win::Module module;
    GetSizeFn getSize = nullptr;
    GetInfoFn getInfo = nullptr;
    QueryValueFn queryValue = nullptr;

    bool Load() {
        std::wstring path = win::SystemFilePath(L"version.dll");
        if (path.empty()) return false;
        module.reset(::LoadLibraryW(path.c_str()));
        if (!module) return false;
        getSize = reinterpret_cast<GetSizeFn>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "GetFileVersionInfoSizeW")));
        getInfo = reinterpret_cast<GetInfoFn>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "GetFileVersionInfoW")));
        queryValue = reinterpret_cast<QueryValueFn>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "VerQueryValueW")));
        return getSize && getInfo && queryValue;
    }
};

constexpr size_t kMaxCompanyChars = 259;

std::wstring QueryCompany(const VersionLibrary& library, const void* block) {
    void* value = nullptr;
    UINT length = 0;
    if (!library.queryValue(block, L"\\StringFileInfo\\040904E4\\CompanyName", &value, &length) || !value)
        return std::wstring();
    const wchar_t* text = static_cast<const wchar_t*>(value);
    std::wstring company(text, length < kMaxCompanyChars ? length : kMaxCompanyChars);
    size_t end = company.find(L'\0');
    if (end != std::wstring::npos) company.resize(end);
    return company;
}

long long FileSize(const std::wstring& path) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size)) return -1;
    return size.QuadPart;
}

bool IsOurCompany(const std::wstring& company) { return _wcsicmp(company.c_str(), L"Brannholt") == 0; }

}  // namespace

namespace {

// The file's version block and its fixed part (in the block); null when none is readable.
const VS_FIXEDFILEINFO* ReadFixedInfo(const VersionLibrary& library, const std::wstring& path, std::vector<char>& block) {
    DWORD handle = 0;
    DWORD size = library.getSize(path.c_str(), &handle);
    if (size == 0) return nullptr;
    // Twice the reported size as a margin; the read itself is given the size as reported.
    block.assign(static_cast<size_t>(size) * 2, 0);
    if (!library.getInfo(path.c_str(), 0, size, block.data())) return nullptr;
    void* value = nullptr;
    UINT length = 0;
    if (!library.queryValue(block.data(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
        return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
}

}  // namespace

bool ReadVersionInfo(const std::wstring& path, std::wstring& version, std::wstring* company) {
    VersionLibrary library;
    std::vector<char> block;
    const VS_FIXEDFILEINFO* fixed = library.Load() ? ReadFixedInfo(library, path, block) : nullptr;
    if (!fixed) return false;
    version = win::Format(L"%d.%d%d", HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                          HIWORD(fixed->dwFileVersionLS));
    if (company) *company = QueryCompany(library, block.data());
    return true;
}

bool ReadFileVersion(const std::wstring& path, int& major, int& minor) {
    VersionLibrary library;
    std::vector<char> block;
    const VS_FIXEDFILEINFO* fixed = library.Load() ? ReadFixedInfo(library, path, block) : nullptr;
    if (!fixed) return false;
    major = HIWORD(fixed->dwFileVersionMS);
    minor = LOWORD(fixed->dwFileVersionMS);
    return true;
}

int CheckExistingIconLibrary(const std::wstring& targetFolder) {
    std::wstring plugins = targetFolder + L"Plugins";
    EnsureFolderExists(plugins);  // appends the backslash
    std::wstring path = plugins + L"Icons.dll";

    InstalledIconLibrary installed;
    std::wstring version;
    installed.versionReadable = ReadVersionInfo(path, version, &installed.company);
    if (installed.versionReadable) {
        installed.versionNumber = VersionNumberFromText(version);
        if (installed.versionNumber == kReferenceIconVersion) installed.fileSize = FileSize(path);
    }
    return DecideKeepIconLibrary(installed);
}

int VersionNumberFromText(const std::wstring& text) {
    // The system runtime's decimal conversion; MinGW's own would add a 20 KB parser.
    float number = static_cast<float>(::_wtof(text.c_str()));
    float scaled = number * 1000.0f;
    // Out-of-range values cannot come from "%d.%d%d" but must not reach the conversion.
    if (std::isnan(scaled)) return 0;
    if (scaled >= static_cast<float>(INT_MAX)) return INT_MAX;
    if (scaled <= static_cast<float>(INT_MIN)) return INT_MIN;
    return static_cast<int>(scaled);
}

int DecideKeepIconLibrary(const InstalledIconLibrary& installed) {
    if (!installed.versionReadable) return 0;
    if (installed.versionNumber > kReferenceIconVersion) return 1;
    if (installed.versionNumber == kReferenceIconVersion && installed.fileSize != kReferenceIconSize) return 1;
    return IsOurCompany(installed.company) ? 0 : 1;
}
