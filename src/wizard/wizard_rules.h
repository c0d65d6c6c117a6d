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
