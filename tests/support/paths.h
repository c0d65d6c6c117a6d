#pragma once
#include <string>

namespace testsupport {

// A file of the build tree as the Windows side sees it (Wine maps / to Z:\).
std::wstring BuildPath(const std::wstring& relative);
std::wstring SourcePath(const std::wstring& relative);

}  // namespace testsupport
