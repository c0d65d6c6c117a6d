#include "install/registry/registration.h"

#include <windows.h>

#include "win/platform.h"
#include "install/registry/associations.h"
#include "install/request/folders.h"
#include "install/install_places.h"
#include "install/journal.h"
#include "install/links/shortcuts.h"
#include "install/run_event.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

using reg::Open;
using reg::Root;

// Both the key name of the verb and the context-menu text; "&" marks the access key.
constexpr wchar_t kBrowseVerb[] = L"Durchsuchen mit &Lumiscope";
constexpr wchar_t kAppClassKey[] = L"SOFTWARE\\Classes\\Lumiscope";
constexpr wchar_t kApplicationsKey[] = L"SOFTWARE\\Classes\\Applications\\lu_scp64.exe";
constexpr wchar_t kAppKey[] = L"SOFTWARE\\Lumiscope";
constexpr wchar_t kCapabilitiesKey[] = L"SOFTWARE\\Lumiscope\\Capabilities";
constexpr wchar_t kOpenCommandSubkey[] = L"\\shell\\open\\command";
constexpr wchar_t kThumbsArgument[] = L"/thumbs";
constexpr DWORD kEstimatedSizeKb = 8192;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring VersionText() { return win::Format(L"%d.%d", kVersionMajor, kVersionMinor); }

// Apps & Features and deployment tools read the day of the installation as yyyymmdd.
std::wstring InstallDateText() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return win::Format(L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
}

}  // namespace

InstallPaths MakeInstallPaths(const std::wstring& targetFolder) {
    InstallPaths paths;
    paths.installFolder = targetFolder;
    TrimBlanks(paths.installFolder);
    win::AppendBackslash(paths.installFolder);
    paths.viewerPath = paths.installFolder + kViewerExe;
    paths.openCommand = Quoted(paths.viewerPath) + L" " + Quoted(L"%1");
    return paths;
}

std::vector<reg::Write> BrowseVerbWrites(const InstallPaths& paths) {
    const std::wstring command = paths.openCommand + L" " + kThumbsArgument;
    std::vector<reg::Write> writes;
    for (const wchar_t* owner : {L"Directory", L"Drive"}) {
        const std::wstring verbKey = win::Format(L"SOFTWARE\\Classes\\%s\\shell\\%s", owner, kBrowseVerb);
        writes.push_back(reg::SetDefault(Root::LocalMachine, verbKey, kBrowseVerb));
        writes.push_back(reg::SetDefault(Root::LocalMachine, verbKey + L"\\command", command));
    }
    return writes;
}

std::vector<reg::Write> ApplicationWrites(const InstallPaths& paths) {
    const std::wstring appClass = kAppClassKey;
    const std::wstring applications = kApplicationsKey;
    return {
        reg::SetDefault(Root::LocalMachine, appClass, L"Lumiscope"),
        reg::SetDefault(Root::LocalMachine, appClass + kOpenCommandSubkey, paths.openCommand),
        // An icon of an older version's own would win over the viewer's.
        reg::DeleteKey(Root::LocalMachine, appClass + L"\\DefaultIcon"),
        // The machine's classes by name: an elevated process sees HKCR merged with the user's
        // classes, so a state read there (and put back later) could be the user's choice.
        reg::SetDefault(Root::LocalMachine, applications + kOpenCommandSubkey, paths.openCommand),
        reg::SetString(Root::LocalMachine, applications, Open::AllAccess, L"FriendlyAppName", L"Lumiscope 64-bit"),
    };
}

std::vector<reg::Write> UninstallWrites(const InstallPaths& paths) {
    const std::wstring key = kUninstallKey;
    auto text = [&](const wchar_t* name, const std::wstring& data) {
        return reg::SetString(Root::LocalMachine, key, Open::AllAccess, name, data);
    };
    auto number = [&](const wchar_t* name, DWORD data) {
        return reg::SetDword(Root::LocalMachine, key, Open::AllAccess, name, data);
    };
    return {
        reg::SetDefault(Root::LocalMachine, key, std::wstring()),  // creates the key for the values below
        text(L"DisplayName", win::Format(L"Lumiscope %d.%d", kVersionMajor, kVersionMinor) + L" (64-bit)"),
        text(L"UninstallString", Quoted(paths.installFolder + L"lm_uninstall.exe")),
        // Package managers remove the product without a window through this one.
        text(L"QuietUninstallString", Quoted(paths.installFolder + L"lm_uninstall.exe") + L" /silent"),
        text(L"Publisher", L"Brannholt"),
        text(L"InstallLocation", paths.installFolder),
        text(L"DisplayVersion", VersionText()),
        text(L"DisplayIcon", win::Format(L"%s,0", paths.viewerPath.c_str())),
        number(L"VersionMajor", kVersionMajor),
        number(L"VersionMinor", kVersionMinor),
        number(L"EstimatedSize", kEstimatedSizeKb),
        text(L"InstallDate", InstallDateText()),
        // The setup has no "change" or "repair" of its own to offer: the list shows "Uninstall" only.
        number(L"NoModify", 1),
        number(L"NoRepair", 1),
    };
}

std::vector<reg::Write> EventSourceWrites(const InstallPaths& paths) {
    const std::wstring key = kEventSourceKey;
    return {
        reg::SetString(Root::LocalMachine, key, Open::Create, L"EventMessageFile",
                       paths.installFolder + kEventMessageFileName),
        reg::SetDword(Root::LocalMachine, key, Open::AllAccess, L"TypesSupported",
                      EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE),
    };
}

std::vector<reg::Write> CapabilityWrites(const InstallPaths& paths) {
    const std::wstring appKey = kAppKey;
    const std::wstring capabilities = kCapabilitiesKey;
    return {
        reg::CreateKey(Root::LocalMachine, appKey),
        reg::SetDefault(Root::LocalMachine, appKey + kOpenCommandSubkey, Quoted(paths.viewerPath)),
        reg::SetString(Root::LocalMachine, capabilities, Open::Create, L"ApplicationDescription",
                       L"Picture viewer, editor and converter - one of the most popular viewers worldwide"),
        // Must exist before the file types add their values: they only open it.
        reg::CreateKey(Root::LocalMachine, capabilities + L"\\FileAssociations"),
        reg::SetString(Root::LocalMachine, L"SOFTWARE\\RegisteredApplications", Open::SetValue, L"Lumiscope",
                       capabilities),
    };
}

std::vector<reg::Write> RegistrationWrites(int associate, const std::wstring& targetFolder, int thumbnailsShortcut,
                                           const std::array<int, kAssocSelectionSize>& assocSelection,
                                           int versionClass) {
    const InstallPaths paths = MakeInstallPaths(targetFolder);
    std::vector<reg::Write> writes;
    if (thumbnailsShortcut) reg::Append(writes, BrowseVerbWrites(paths));
    reg::Append(writes, ApplicationWrites(paths));
    reg::Append(writes, UninstallWrites(paths));
    reg::Append(writes, EventSourceWrites(paths));
    reg::Append(writes, CapabilityWrites(paths));
    reg::Append(writes, FileTableWrites(paths.viewerPath, paths.openCommand, assocSelection));
    if (associate) reg::Append(writes, RefreshWrites(versionClass));
    return writes;
}

namespace {

void CreateLinks(const InstallPaths& paths, int startMenuGroup, int desktopShortcut, int thumbnailsShortcut,
                 int allUsers) {
    JournalPhase phase(phase::kLinks);
    // Each link still initialises COM for itself; inside this apartment that only counts up
    // and down, instead of starting COM and the shell's link objects anew for every link.
    win::ComInit apartment;
    // A user's installation has no rights to the places of all users.
    allUsers = allUsers && Places().allUsersLinks;
    if (startMenuGroup) CreateStartMenuGroup(paths.installFolder, allUsers);
    CreateDesktopLinks(paths.viewerPath, desktopShortcut, thumbnailsShortcut, allUsers);
}

// One session for every write, so that a key written again and again is opened once.
// The tables name the machine's places; each write goes where the run's scope keeps it.
void WriteRegistry(const InstallPaths& paths, int thumbnailsShortcut,
                   const std::array<int, kAssocSelectionSize>& assocSelection) {
    JournalPhase phase(phase::kRegistry);
    reg::Session session(&Journal());
    const InstallPlaces& places = Places();
    auto apply = [&](const std::vector<reg::Write>& writes) {
        for (const reg::Write& w : writes)
            if (places.Keeps(places.Placed(w))) session.Apply(places.Placed(w));
    };
    if (thumbnailsShortcut) apply(BrowseVerbWrites(paths));
    apply(ApplicationWrites(paths));
    apply(UninstallWrites(paths));
    apply(EventSourceWrites(paths));
    apply(CapabilityWrites(paths));
    ForEachFileType(paths.viewerPath, assocSelection,
                    [&](const std::wstring& ext, const std::wstring& type, const std::wstring& icon, int selected) {
                        apply(FileTypeWrites(ext, type, paths.openCommand, icon, selected));
                    });
}

}  // namespace

int RegisterViewer(int associate, const std::wstring& targetFolder, int startMenuGroup, int desktopShortcut,
                   int thumbnailsShortcut, int allUsers, const std::array<int, kAssocSelectionSize>& assocSelection) {
    const InstallPaths paths = MakeInstallPaths(targetFolder);
    CreateLinks(paths, startMenuGroup, desktopShortcut, thumbnailsShortcut, allUsers);
    WriteRegistry(paths, thumbnailsShortcut, assocSelection);
    if (associate) {
        JournalPhase phase(phase::kNotify);
        RefreshAssociations();
    }
    return 1;
}
