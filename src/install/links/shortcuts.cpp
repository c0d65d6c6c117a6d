#include "install/links/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "install/request/install_request.h"
#include "win/platform.h"
#include "install/request/folders.h"
#include "install/journal.h"
#include "install/links/link_text.h"
#include "install/recovery/replaced_file.h"
#include "install/user_places.h"
#include "win/desktop_user.h"
#include "win/file_facts.h"
#include "win/folder_handle.h"
#include "win/path_text.h"
#include "win/safe_file.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr wchar_t kGroupName[] = L"Lumiscope";
constexpr int kThumbnailsIconIndex = 7;
constexpr int kWindows8Class = 8;

const wchar_t* NoneIfEmpty(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

GroupLink Link(const std::wstring& fileName, const std::wstring& target) {
    GroupLink link;
    link.fileName = fileName;
    link.target = target;
    return link;
}

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

std::wstring WithBackslash(std::wstring folder) {
    win::AppendBackslash(folder);
    return folder;
}

}  // namespace

int DesktopFolderCsidl(int allUsers) { return allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP; }

int ProgramsFolderCsidl(int allUsers) { return allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS; }

std::vector<GroupLink> StartMenuGroupLinks(const std::wstring& installFolder, int versionClass) {
    const std::wstring viewerPath = installFolder + kViewerExe;
    std::vector<GroupLink> links;
    links.push_back(Link(win::Format(L"Lumiscope 64 %d.%2d.lnk", kVersionMajor, kVersionMinor), viewerPath));

    GroupLink thumbnails = Link(L"Lumiscope - Thumbnails.lnk", viewerPath);
    thumbnails.arguments = L"/thumbs";
    thumbnails.iconPath = viewerPath;
    thumbnails.iconIndex = kThumbnailsIconIndex;
    links.push_back(thumbnails);

    if (versionClass != kWindows8Class)
        links.push_back(Link(L"Lumiscope deinstallieren.lnk", installFolder + L"lm_uninstall.exe"));
    links.push_back(Link(L"Über Lumiscope.lnk", installFolder + L"l_about.txt"));
    links.push_back(Link(L"Was ist neu.lnk", installFolder + L"l_changes.txt"));
    links.push_back(Link(L"Kommandozeilen-Optionen.lnk", installFolder + L"l_options.txt"));
    links.push_back(Link(L"Verfügbare PlugIns.lnk", installFolder + L"l_plugins.txt"));
    links.push_back(Link(L"Verfügbare Sprachen.lnk", installFolder + L"l_languages.txt"));
    links.push_back(Link(L"Lumiscope Hilfe.lnk", installFolder + L"help\\lu_scp32_deutsch.chm"));
    return links;
}

std::vector<GroupLink> DesktopLinks(const std::wstring& viewerPath, int desktopShortcut, int thumbnailsShortcut) {
    std::vector<GroupLink> links;
    if (desktopShortcut) {
        GroupLink viewer = Link(L"Lumiscope 64.lnk", viewerPath);
        viewer.description = L"Lumiscope 64 - Bildbetrachter";
        links.push_back(viewer);
    }
    if (thumbnailsShortcut) {
        GroupLink thumbnails = Link(L"Lumiscope 64 Thumbnails.lnk", viewerPath);
        thumbnails.arguments = L"/thumbs";
        thumbnails.iconPath = viewerPath;
        thumbnails.iconIndex = kThumbnailsIconIndex;
        thumbnails.description = L"Lumiscope - Thumbnails";
        links.push_back(thumbnails);
    }
    return links;
}

bool IsProductLinkPath(const std::wstring& path) {
    auto named = [&](const std::vector<GroupLink>& links) {
        for (const GroupLink& link : links)
            if (win::EqualsNoCase(link.fileName, win::LastName(path))) return true;
        return false;
    };
    if (named(DesktopLinks(L"C:\\x.exe", 1, 1))) return true;
    const int everyLink = 10;  // the version class whose group has the uninstall link too
    return win::EqualsNoCase(win::LastName(win::ParentPath(path)), kGroupName) &&
           named(StartMenuGroupLinks(L"C:\\x\\", everyLink));
}

bool IsEarlierGroupLinkPath(const std::wstring& path) {
    if (!win::EqualsNoCase(win::LastName(win::ParentPath(path)), kGroupName)) return false;
    for (const std::wstring& name : OldGroupLinkNames())
        if (win::EqualsNoCase(name, win::LastName(path))) return true;
    return false;
}

std::vector<std::wstring> OldGroupLinkNames() {
    std::vector<std::wstring> names;
    for (const wchar_t* version : {L"4.67", L"4.66"}) names.push_back(win::Format(L"Lumiscope 64 %s.lnk", version));
    return names;
}

std::wstring SpecialFolderPath(int csidl) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(::GetActiveWindow(), csidl, &pidl)) && pidl) {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(pidl, path)) folder = path;
        ::CoTaskMemFree(pidl);
    }
    // A folder the shell cannot name (or a virtual one) is no place for links either.
    if (folder.empty()) folder = WindowsFolder();
    return WithBackslash(folder);
}

namespace {

HRESULT LastError() { return HRESULT_FROM_WIN32(::GetLastError()); }

// The link's bytes, as the shell's link object writes them into a file.
HRESULT SerializeLink(IShellLinkW* link, std::string& bytes) {
    win::ComPtr<IPersistStream> persist;
    win::ComPtr<IStream> stream;
    HRESULT result = link->QueryInterface(__uuidof(IPersistStream), persist.put());
    if (SUCCEEDED(result)) result = ::CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(stream.put()));
    if (SUCCEEDED(result)) result = persist->Save(stream.get(), TRUE);
    ULARGE_INTEGER size{};
    if (SUCCEEDED(result)) result = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size);
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(result)) result = ::GetHGlobalFromStream(stream.get(), &memory);
    if (FAILED(result)) return result;
    const char* data = static_cast<const char*>(::GlobalLock(memory));
    if (!data) return E_OUTOFMEMORY;
    bytes.assign(data, static_cast<size_t>(size.QuadPart));
    ::GlobalUnlock(memory);
    return S_OK;
}

// What a link says: where it leads, with which arguments, icon and description, in which
// folder, window and hot key it starts. Its bytes also hold the times of the folders on the
// way, which every run changes.
struct LinkSays {
    std::wstring path, arguments, icon, description, folder;
    int iconIndex = 0, show = 0;
    WORD hotKey = 0;
    bool operator==(const LinkSays& o) const {
        return path == o.path && arguments == o.arguments && icon == o.icon && description == o.description &&
               folder == o.folder && iconIndex == o.iconIndex && show == o.show && hotKey == o.hotKey;
    }
};

bool ReadLink(IShellLinkW* link, LinkSays& says) {
    std::vector<wchar_t> text(INFOTIPSIZE + 1);
    const int n = static_cast<int>(text.size());
    auto take = [&](HRESULT result, std::wstring& into) {
        if (FAILED(result)) return false;
        into.assign(text.data());
        return true;
    };
    return take(link->GetPath(text.data(), n, nullptr, SLGP_RAWPATH), says.path) &&
           take(link->GetArguments(text.data(), n), says.arguments) &&
           take(link->GetIconLocation(text.data(), n, &says.iconIndex), says.icon) &&
           take(link->GetDescription(text.data(), n), says.description) &&
           take(link->GetWorkingDirectory(text.data(), n), says.folder) && SUCCEEDED(link->GetShowCmd(&says.show)) &&
           SUCCEEDED(link->GetHotkey(&says.hotKey));
}

// The bytes of the link file at the name, read through its folder's handle.
bool ReadLinkBytes(const win::Folder& folder, const std::wstring& name, std::string& bytes) {
    DWORD error = 0;
    const win::File file = folder.OpenFile(name, GENERIC_READ, FILE_SHARE_READ, error);
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024) return false;
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    return ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size();
}

// The link file at the name, loaded by the shell's link object from its bytes.
bool ReadLinkFile(const win::Folder& folder, const std::wstring& name, LinkSays& says) {
    std::string bytes;
    if (!ReadLinkBytes(folder, name, bytes)) return false;
    const ULONG got = static_cast<ULONG>(bytes.size());
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistStream> persist;
    win::ComPtr<IStream> stream;
    ULONG put = 0;
    return SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(stream.put()))) &&
           SUCCEEDED(stream->Write(bytes.data(), got, &put)) && put == got &&
           SUCCEEDED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)) &&
           SUCCEEDED(::CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                        link.put())) &&
           SUCCEEDED(link->QueryInterface(__uuidof(IPersistStream), persist.put())) &&
           SUCCEEDED(persist->Load(stream.get())) && ReadLink(link.get(), says) &&
           links::ShowCommandOf(bytes, says.show);  // Wine's link object does not load it
}

// Written as a new file beside the link, through the handle of its folder (opened as a real
// folder reached as named: a group folder or desktop that is a link to elsewhere gets
// nothing), and renamed over it by handle: whatever was at the name (an earlier link, which is
// kept until the installation is complete) is replaced, never written through; a name that
// leads elsewhere refuses the link.
HRESULT PutLinkInPlace(const win::Folder& folder, const std::wstring& linkPath, bool existed, const std::string& bytes,
                       const LinkSays& says) {
    const std::wstring name = win::LastName(linkPath);
    LinkSays there;
    if (existed && ReadLinkFile(folder, name, there) && there == says) return S_OK;
    DWORD error = 0;
    win::File staged = folder.NewFile(name + txn::kStagedSuffix, error);
    DWORD written = 0;
    if (!staged) return HRESULT_FROM_WIN32(error);
    if (!::WriteFile(staged.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return LastError();
    return txn::PutInPlace(folder, linkPath, staged.get(), error) ? S_OK : HRESULT_FROM_WIN32(error);
}

// The path in the ANSI code page, as a link file stores it; empty when a character has no
// exact form there (two different paths must never compare equal).
std::string ExactAnsi(const std::wstring& path) {
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string ansi(n > 0 ? n : 0, '\0');
    BOOL lossy = FALSE;
    if (n <= 0 || ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()),
                                        ansi.data(), n, nullptr, &lossy) != n || lossy)
        return std::string();
    return ansi;
}

// A link that already says, in the plain form this setup writes, what would be written is
// left as it is without asking the shell: a repair then needs neither COM nor a link object,
// which under Wine cost more than the rest of the link's work. Anything else (another form,
// a path the ANSI code page cannot hold exactly) goes the shell's way. The item list is not
// compared: it carries the times of the folders on the way.
bool AlreadySays(const win::Folder& folder, const std::wstring& name, const std::wstring& target,
                 const wchar_t* arguments, const wchar_t* iconPath, int iconIndex, const wchar_t* description) {
    std::string bytes;
    links::LinkText there;
    if (!ReadLinkBytes(folder, name, bytes) || !links::ReadPlainLink(bytes, there)) return false;
    const std::string ansiTarget = ExactAnsi(target);
    return !ansiTarget.empty() && there.target == ansiTarget && there.arguments == (arguments ? arguments : L"") &&
           there.iconPath == (iconPath ? iconPath : L"") && there.iconIndex == (iconPath ? iconIndex : 0) &&
           there.description == (description ? description : L"");
}

HRESULT WriteShellLink(const std::wstring& linkPath, const std::wstring& target, const wchar_t* arguments,
                       const wchar_t* iconPath, int iconIndex, const wchar_t* description, bool usersOwn) {
    if (linkPath.size() > kMaxPathChars) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    DWORD error = 0;
    const win::Folder folder = win::Folder::Open(win::ParentPath(linkPath), error);
    if (!folder) return HRESULT_FROM_WIN32(error);
    if (usersOwn && !UserMayWriteIn(folder, win::kMayAddFile, phase::kLinks)) return E_ACCESSDENIED;
    const std::wstring name = win::LastName(linkPath);
    const bool existed = folder.OpenEntry(name, error, FILE_READ_ATTRIBUTES) || !win::IsNotFound(error);
    Journal().WillReplaceFiles({{linkPath, existed}});
    // A repair finds most links saying what it would write: those are left as they are.
    if (existed && AlreadySays(folder, name, target, arguments, iconPath, iconIndex, description)) return S_OK;
    win::ComInit com;  // each link has its own COM lifetime
    win::ComPtr<IShellLinkW> link;
    HRESULT result = ::CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW), link.put());
    if (FAILED(result)) return result;
    if (iconPath) link->SetIconLocation(iconPath, iconIndex);
    link->SetPath(target.c_str());
    if (arguments) link->SetArguments(arguments);
    if (description) link->SetDescription(description);
    std::string bytes;
    LinkSays says;
    result = SerializeLink(link.get(), bytes);
    if (SUCCEEDED(result) && !ReadLink(link.get(), says)) result = E_FAIL;
    return SUCCEEDED(result) ? PutLinkInPlace(folder, linkPath, existed, bytes, says) : result;
}

}  // namespace

int SaveShellLink(const std::wstring& linkPath, const std::wstring& target, const wchar_t* arguments,
                  const wchar_t* iconPath, int iconIndex, const wchar_t* description, bool usersOwn) {
    const HRESULT result = WriteShellLink(linkPath, target, arguments, iconPath, iconIndex, description, usersOwn);
    if (FAILED(result)) {
        Journal().LinkNotSaved(linkPath, result);
        return 0;
    }
    Journal().LinkSaved(linkPath);
    return 1;
}

int CreateShortcut(const std::wstring& folder, const std::wstring& linkName, const std::wstring& target,
                   const wchar_t* arguments, const wchar_t* iconPath, int iconIndex, bool usersOwn) {
    return SaveShellLink(folder + linkName, target, arguments, iconPath, iconIndex, nullptr, usersOwn);
}

int CreateDesktopShortcut(const std::wstring& target, const std::wstring& linkName, const wchar_t* iconPath,
                          const wchar_t* description, const wchar_t* arguments, int iconIndex, int allUsers) {
    const std::wstring linkPath = SpecialFolderPath(DesktopFolderCsidl(allUsers)) + linkName;
    return SaveShellLink(linkPath, target, arguments, iconPath, iconIndex, description, !allUsers);
}

void CreateDesktopLinks(const std::wstring& viewerPath, int desktopShortcut, int thumbnailsShortcut, int allUsers) {
    for (const GroupLink& link : DesktopLinks(viewerPath, desktopShortcut, thumbnailsShortcut))
        CreateDesktopShortcut(link.target, link.fileName, NoneIfEmpty(link.iconPath), NoneIfEmpty(link.description),
                              NoneIfEmpty(link.arguments), link.iconIndex, allUsers);
}

std::wstring StartMenuGroupFolder(int allUsers) { return SpecialFolderPath(ProgramsFolderCsidl(allUsers)) + kGroupName; }

namespace {

void SetOldLinkAside(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    Journal().WillSetAside(path);
    DWORD error = 0;
    if (!txn::SetAside(path, error)) Journal().Failed(phase::kLinks, L"earlier link not removed: " + path, error);
}

}  // namespace

void CreateStartMenuGroup(const std::wstring& installFolder, int allUsers) {
    std::wstring group = StartMenuGroupFolder(allUsers);
    if (!allUsers && !UserCouldMake(group, phase::kLinks)) return;
    EnsureFolderExists(group);  // leaves the trailing backslash the link names need
    group = WithBackslash(group);

    const std::vector<GroupLink> links = StartMenuGroupLinks(installFolder, GetWindowsVersionClass());
    for (size_t i = 0; i < links.size(); ++i) {
        const GroupLink& link = links[i];
        CreateShortcut(group, link.fileName, link.target, NoneIfEmpty(link.arguments), NoneIfEmpty(link.iconPath),
                       link.iconIndex, !allUsers);
        // The previous versions' main links go once this version's own exists (set aside until
        // the installation is complete, so that a failure can bring them back).
        if (i == 0)
            for (const std::wstring& old : OldGroupLinkNames()) SetOldLinkAside(group + old);
    }
}
