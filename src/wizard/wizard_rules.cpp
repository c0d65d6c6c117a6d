#include "wizard/wizard_rules.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "install/request/folders.h"
#include "win/text.h"

namespace {

constexpr wchar_t kProductLevel[] = L"Lumiscope\\";
constexpr wchar_t kProductLevelLower[] = L"\\lumiscope\\";

// Letters and digits of any script count, so that a text may end in "ü".
bool IsLetterOrDigit(wchar_t c) {
    if (std::iswalnum(c)) return true;
    WORD type = 0;
    return ::GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & (C1_ALPHA | C1_DIGIT)) != 0;
}

}  // namespace

void TrimTrailingNonAlnum(std::wstring& text) {
    size_t end = text.size();
    while (end > 0 && !IsLetterOrDigit(text[end - 1])) --end;
    text.resize(end);
}

std::wstring WhatsNewTextFromResource(const void* data, size_t bytes) {
    std::vector<wchar_t> buffer(kWhatsNewMaxUnits + 1, L'\0');
    if (data) std::memcpy(buffer.data(), data, std::min(bytes, kWhatsNewMaxUnits * sizeof(wchar_t)));
    std::wstring text(buffer.data());  // up to the first zero unit
    TrimTrailingNonAlnum(text);
    return text;
}

bool HasDrivePart(const std::wstring& folder) { return folder.size() >= 2 && folder[1] == L':'; }

bool ApplyProductFolderRule(std::wstring& folder) {
    std::wstring result = folder;
    win::AppendBackslash(result);
    // The backslash before the last level: scan back from the second-to-last character.
    size_t levelStart = result.size() >= 2 ? result.rfind(L'\\', result.size() - 2) : std::wstring::npos;
    bool isProductFolder = levelStart != std::wstring::npos &&
                           _wcsicmp(result.c_str() + levelStart, kProductLevelLower) == 0;
    bool append = (levelStart != std::wstring::npos && levelStart > 0 && !isProductFolder) || result.size() == 3;
    if (append) result += kProductLevel;
    if (result.size() > kMaxPathChars) return false;
    folder = result;
    return true;
}

std::pair<int, int> AssocColumnWidths(int listWidth, int dpi) {
    return {listWidth / 3, (2 * listWidth) / 3 - ::MulDiv(25, dpi, 96)};
}

ListColours AssocListColours(bool enabled, bool highContrast, ListColours own, const SystemColours& system) {
    if (highContrast) return {system.window, enabled ? system.windowText : system.grayText};
    return enabled ? own : ListColours{kDisabledListBk, kDisabledListText};
}

InstallRequest BuildInstallRequest(const WizardChoices& choices) {
    InstallRequest request;
    request.targetFolder = win::Left(choices.folderText, kRequestFolderChars);
    TrimBlanks(request.targetFolder);
    request.startMenuGroup = choices.startMenuGroup ? 1 : 0;
    request.desktopShortcut = choices.desktopShortcut ? 1 : 0;
    request.thumbnailsShortcut = choices.thumbnailsShortcut ? 1 : 0;
    request.allUsers = choices.allUsers ? 1 : 0;
    if (choices.listEnabled) {
        size_t count = std::min(choices.itemStateImages.size(), request.assocSelection.size());
        for (size_t i = 0; i < count; ++i) {
            if (choices.itemStateImages[i] != 1) {
                request.assocSelection[i] = 1;
                request.associate = 1;
            }
        }
    }
    request.iniFolder = choices.appDataSettings ? kAppDataIniFolder : L"";
    request.silent = 0;
    request.caption = choices.caption;
    return request;
}

std::wstring ViewerPathFromFolder(const std::wstring& folderText) {
    std::wstring path = win::Left(folderText, kFolderFieldChars);
    win::AppendBackslash(path);
    return path + kViewerExe;
}
