#include "support/paths.h"

namespace testsupport {
namespace {

std::wstring ToWindows(const char* unixFolder, const std::wstring& relative) {
    std::wstring path = L"Z:";
    for (const char* p = unixFolder; *p; ++p) path += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    path += L'/';
    path += relative;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

}  // namespace

std::wstring BuildPath(const std::wstring& relative) { return ToWindows(LUMI_BINARY_DIR, relative); }
std::wstring SourcePath(const std::wstring& relative) { return ToWindows(LUMI_SOURCE_DIR, relative); }

}  // namespace testsupport
