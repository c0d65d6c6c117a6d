// The shell's folder browser, opened on the folder the caller already has.
#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "install/request/folders.h"
#include "resources/resource_ids.h"
#include "win/text.h"

namespace {

constexpr size_t kBrowseTitleChars = 50;

// The browser selects a folder given without its trailing backslash, except a drive root.
std::wstring PreselectionPath(const std::wstring& folder) {
    std::wstring path = win::Left(folder, kMaxPathChars);
    if (path.size() > 3 && win::EndsWith(path, L'\\')) path.pop_back();
    return path;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        std::wstring path = PreselectionPath(*reinterpret_cast<const std::wstring*>(data));
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    }
    return 0;
}

struct ItemListDeleter {
    void operator()(LPITEMIDLIST list) const { ::CoTaskMemFree(list); }
};

}  // namespace

bool BrowseForFolder(HWND owner, std::wstring& folder) {
    std::wstring title = win::Left(win::LoadStringText(IDS_BROWSE_TITLE), kBrowseTitleChars);

    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&folder);

    std::unique_ptr<ITEMIDLIST, ItemListDeleter> chosen(::SHBrowseForFolderW(&info));
    if (!chosen) return false;
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(chosen.get(), path)) return false;
    folder = path;
    win::AppendBackslash(folder);
    return true;
}
