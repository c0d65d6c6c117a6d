#pragma once
// The wizard's decisions that need no window: text trimming, folder rules, column widths and
// the install request built from what the pages show. The pages read their controls into
// plain values and hand them here.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "install/request/install_request.h"

// The what's-new resource holds at most this many UTF-16 units in the page's buffer.
constexpr size_t kWhatsNewMaxUnits = 10239;

// The page's text from the raw resource bytes: at most kWhatsNewMaxUnits units copied as they
// are (byte-order mark included), the text ending at the first zero unit, then every trailing
// character that is neither a letter nor a digit removed.
std::wstring WhatsNewTextFromResource(const void* data, size_t bytes);

// Removes, from the end, every character that is neither a letter nor a digit.
void TrimTrailingNonAlnum(std::wstring& text);

// A folder text the welcome page accepts: not empty and beginning with a drive ("X:").
bool HasDrivePart(const std::wstring& folder);

// The folder browser's result made a product folder: a trailing backslash, then "Lumiscope\"
// appended unless the last level already is "lumiscope" (any case); a drive root always gets it.
// False, with `folder` unchanged, when the result would be longer than a path may be.
bool ApplyProductFolderRule(std::wstring& folder);

// The two column widths of the associations list for a list `listWidth` pixels wide.
std::pair<int, int> AssocColumnWidths(int listWidth, int dpi);

// The list's colours while check box 3311 is unticked.
constexpr COLORREF kDisabledListBk = 0x00C0C0C0;
constexpr COLORREF kDisabledListText = 0x000080FF;
// The ready page's status text.
constexpr COLORREF kProgressRed = 0x000000FF;

struct ListColours {
    COLORREF background;
    COLORREF text;
};
// The system colours a high-contrast theme asks for.
struct SystemColours {
    COLORREF window;
    COLORREF windowText;
    COLORREF grayText;
};

// The associations list's colours: its own while enabled, silver and orange while greyed; in
// high contrast the system's window colour behind its window-text or grey-text colour.
ListColours AssocListColours(bool enabled, bool highContrast, ListColours own, const SystemColours& system);

// The status text is red, or in high contrast the system's window-text colour.
inline COLORREF StatusTextColour(bool highContrast, COLORREF windowText) {
    return highContrast ? windowText : kProgressRed;
}

// What the ready page reads from the pages when the installation starts.
struct WizardChoices {
    std::wstring folderText;     // the welcome page's folder field as typed
    bool startMenuGroup = false;
    bool desktopShortcut = false;
    bool thumbnailsShortcut = false;
    bool allUsers = false;
    bool listEnabled = false;    // the associations list (enabled only while 3311 is ticked)
    std::vector<int> itemStateImages;  // per list item: 1 unticked, 2 ticked
    bool appDataSettings = false;      // radio button 1039
    std::wstring caption;
};

// The install request of a wizard run (silent 0).
InstallRequest BuildInstallRequest(const WizardChoices& choices);

// Folder texts are read from their fields with room for this many characters.
constexpr size_t kFolderFieldChars = 259;     // a 260-unit buffer
constexpr size_t kRequestFolderChars = 519;   // the request's 520-unit buffer

// The viewer the finish page starts: the folder field unchanged, a backslash, the exe name.
std::wstring ViewerPathFromFolder(const std::wstring& folderText);
