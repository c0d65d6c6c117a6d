#pragma once
// The viewer's shell links: up to two on the desktop and the start-menu group "Lumiscope".
#include <string>
#include <vector>

// One link as the group or the desktop gets it. Empty texts mean "not set" (the target's own
// icon, no arguments, no description).
struct GroupLink {
    std::wstring fileName;
    std::wstring target;
    std::wstring arguments;
    std::wstring iconPath;
    int iconIndex = 0;
    std::wstring description;
};

// CSIDL of the desktop and of the programs folder for the all-users choice.
int DesktopFolderCsidl(int allUsers);
int ProgramsFolderCsidl(int allUsers);

// The group's links in the order they are made: link 1 first, the uninstall link only when
// the Windows version class is not 8 (Windows 8 and 8.1 list uninstallers themselves).
std::vector<GroupLink> StartMenuGroupLinks(const std::wstring& installFolder, int versionClass);

// The desktop links in the order they are made: the viewer's own with the desktop choice, the
// thumbnail view's with the thumbnails choice.
std::vector<GroupLink> DesktopLinks(const std::wstring& viewerPath, int desktopShortcut, int thumbnailsShortcut);

// True for a path where an installation saves one of its links: a desktop link's name, or a
// group link's name in a folder named like the group. What an uninstaller deletes as a link
// must be one of these.
bool IsProductLinkPath(const std::wstring& path);

// Link files of earlier versions that the group drops.
std::vector<std::wstring> OldGroupLinkNames();
// True for one of those in a folder named like the group: what an installation sets aside.
bool IsEarlierGroupLinkPath(const std::wstring& path);

// A special folder with a trailing backslash; the Windows folder when the shell has none.
std::wstring SpecialFolderPath(int csidl);

// Saves one link at `linkPath`; 1 when saved, 0 otherwise. Null pointers leave a property unset.
// A link into one of the user's own folders (`usersOwn`: his desktop or start menu) is saved
// only where the desktop's user could add it himself.
int SaveShellLink(const std::wstring& linkPath, const std::wstring& target, const wchar_t* arguments,
                  const wchar_t* iconPath, int iconIndex, const wchar_t* description, bool usersOwn = false);

// `folder` ends with a backslash. 1 when the link was saved, 0 otherwise.
int CreateShortcut(const std::wstring& folder, const std::wstring& linkName, const std::wstring& target,
                   const wchar_t* arguments, const wchar_t* iconPath, int iconIndex, bool usersOwn = false);

// A link in the desktop folder of all users or of the current user. 1 when saved.
int CreateDesktopShortcut(const std::wstring& target, const std::wstring& linkName, const wchar_t* iconPath,
                          const wchar_t* description, const wchar_t* arguments, int iconIndex, int allUsers);

// Makes the links DesktopLinks names, for all users or the current one.
void CreateDesktopLinks(const std::wstring& viewerPath, int desktopShortcut, int thumbnailsShortcut, int allUsers);

// The group's folder in the programs folder of all users or of the current user.
std::wstring StartMenuGroupFolder(int allUsers);

// Creates the group folder and its links, and removes the links of earlier versions. The
// current user's group is made only where the desktop's user could make it himself.
void CreateStartMenuGroup(const std::wstring& installFolder, int allUsers);
