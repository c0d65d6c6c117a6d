#include "bench/tool/setup_plan.h"

#include <windows.h>

#include "app/command_line.h"
#include "win/platform.h"
#include "install/request/folders.h"
#include "install/record/install_record.h"
#include "install/registry/registration.h"
#include "install/settings/settings_file.h"

namespace {

constexpr DWORD kProfileChars = 32767;

std::vector<std::wstring> SplitNulList(const std::wstring& buffer, DWORD length) {
    std::vector<std::wstring> items;
    for (size_t start = 0; start < length;) {
        size_t end = buffer.find(L'\0', start);
        if (end == start || end == std::wstring::npos) break;
        items.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// Every entry of an INI file in file order; nothing when the file does not exist.
std::vector<IniEntry> ReadIni(const std::wstring& file) {
    std::vector<IniEntry> entries;
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return entries;
    std::wstring buffer(kProfileChars, L'\0');
    DWORD n = ::GetPrivateProfileSectionNamesW(buffer.data(), kProfileChars, file.c_str());
    for (const std::wstring& section : SplitNulList(buffer, n)) {
        std::wstring lines(kProfileChars, L'\0');
        DWORD m = ::GetPrivateProfileSectionW(section.c_str(), lines.data(), kProfileChars, file.c_str());
        for (const std::wstring& line : SplitNulList(lines, m)) {
            size_t eq = line.find(L'=');
            if (eq == std::wstring::npos) continue;
            entries.push_back({file, section, line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    return entries;
}

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L'\\')); }

}  // namespace

InstallRequest SilentRequest(const std::wstring& commandLine) {
    // The proposal the setup makes before it reads the options.
    std::wstring targetFolder;
    std::wstring iniFolder;
    if (!GetRegisteredViewerFolder(targetFolder)) {
        targetFolder = GetDefaultInstallFolder();
        iniFolder = kAppDataIniFolder;
    }
    return ParseSilentCommandLine(commandLine, targetFolder, iniFolder);
}

SetupPlan PlanWithoutSettings(const InstallRequest& request) {
    SetupPlan plan;
    plan.request = request;
    const InstallPaths paths = MakeInstallPaths(request.targetFolder);
    plan.installFolder = paths.installFolder;
    const int versionClass = GetWindowsVersionClass();
    if (request.startMenuGroup) {
        plan.groupFolder = StartMenuGroupFolder(request.allUsers);
        const std::wstring group = plan.groupFolder + L"\\";
        for (const GroupLink& link : StartMenuGroupLinks(paths.installFolder, versionClass))
            plan.links.push_back({group, link});
        for (const std::wstring& name : OldGroupLinkNames()) plan.droppedLinks.push_back(group + name);
    }
    const std::wstring desktop = SpecialFolderPath(DesktopFolderCsidl(request.allUsers));
    for (const GroupLink& link : DesktopLinks(paths.viewerPath, request.desktopShortcut, request.thumbnailsShortcut))
        plan.links.push_back({desktop, link});
    plan.writes = RegistrationWrites(request.associate, request.targetFolder, request.thumbnailsShortcut,
                                     request.assocSelection, versionClass);
    plan.notifies = request.associate != 0;
    plan.ownFiles.push_back(paths.installFolder + record::kRecordFileName);
    return plan;
}

void AddSettingsByWriting(SetupPlan& plan) {
    InstallRequest request = plan.request;
    std::wstring folder = request.targetFolder;
    EnsureFolderExists(folder);
    const std::wstring programIni = ProgramIniPath(request.targetFolder);
    plan.unicodeIni = WriteViewerSettings(request);
    std::vector<std::wstring> files = {programIni};
    if (plan.unicodeIni != programIni) {
        files.push_back(plan.unicodeIni);
        plan.settingsFolders.push_back(FolderOf(plan.unicodeIni));
    }
    for (const std::wstring& file : files)
        for (IniEntry& entry : ReadIni(file)) plan.iniEntries.push_back(entry);
}
