#include "install/viewer/viewer_rules.h"

#include <algorithm>

#include "win/path_text.h"

namespace viewer {
namespace {

constexpr wchar_t kTitlePrefix[] = L"Lumiscope - ";
constexpr size_t kMaxFileChars = 259;

bool IsCode(const std::wstring& name) {
    return win::EndsWithNoCase(name, L".exe") || win::EndsWithNoCase(name, L".dll");
}

std::wstring WithBackslashes(std::wstring name) {
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

}  // namespace

bool IsViewerImage(const std::wstring& image, const std::wstring& folder, const std::vector<std::wstring>& names) {
    std::wstring base = win::WithoutTrailingBackslash(folder);
    if (base.empty()) return false;
    if (base.back() != L'\\') base += L'\\';
    if (image.size() <= base.size() || !win::StartsWithNoCase(image, base)) return false;
    const std::wstring relative = image.substr(base.size());
    if (!IsCode(relative)) return false;
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& name) { return win::EqualsNoCase(WithBackslashes(name), relative); });
}

std::wstring OpenFileFromTitle(const std::wstring& title) {
    const std::wstring prefix = kTitlePrefix;
    if (title.size() <= prefix.size() || title.compare(0, prefix.size(), prefix) != 0) return std::wstring();
    const std::wstring file = title.substr(prefix.size());
    if (file.size() > kMaxFileChars || win::PlainPathDepth(file) <= 0 || file.back() == L'\\') return std::wstring();
    return file;
}

std::wstring StartParameters(const std::wstring& file) { return file.empty() ? file : L"\"" + file + L"\""; }

}  // namespace viewer
