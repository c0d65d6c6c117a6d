#include "install/install_places.h"

#include "win/path_text.h"
#include "win/security_descriptor.h"

namespace {

constexpr wchar_t kMachineSoftware[] = L"SOFTWARE\\";
constexpr wchar_t kUserSoftware[] = L"Software\\";
constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";
constexpr wchar_t kEntryBelowSoftware[] = L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
constexpr wchar_t kLogBelowSoftware[] = L"Lumiscope64 Transaction";
constexpr wchar_t kRegisteredApplications[] = L"SOFTWARE\\RegisteredApplications";
constexpr wchar_t kMachineLockName[] = L"Global\\Lumiscope64.Installation";

const InstallPlaces& DefaultPlaces() {
    static const InstallPlaces machine = MachinePlaces();
    return machine;
}

const InstallPlaces* g_places = nullptr;

}  // namespace

InstallPlaces MachinePlaces() {
    InstallPlaces p;
    p.entryKey = std::wstring(kMachineSoftware) + kEntryBelowSoftware;
    p.logKey = std::wstring(kMachineSoftware) + kLogBelowSoftware;
    p.logKeyText = L"HKLM\\" + p.logKey;
    p.lockName = kMachineLockName;
    p.lockSddl = win::kAdministratorsOnlySddl;
    return p;
}

InstallPlaces UserPlaces(const std::wstring& userSid) {
    InstallPlaces p;
    p.scope = Scope::User;
    p.entryRoot = reg::Root::CurrentUser;
    p.entryKey = std::wstring(kUserSoftware) + kEntryBelowSoftware;
    p.logRoot = reg::Root::CurrentUser;
    p.logKey = std::wstring(kUserSoftware) + kLogBelowSoftware;
    p.logKeyText = L"HKCU\\" + p.logKey;
    // Each user's runs exclude each other; another user's run is no obstacle. Only the user
    // and the system may open it.
    p.lockName = std::wstring(kMachineLockName) + L"." + userSid;
    p.lockSddl = L"D:P(A;;GA;;;SY)(A;;GA;;;" + userSid + L")";
    p.allUsersLinks = false;
    p.restartDeletes = false;
    p.protectedFolders = false;
    return p;
}

void InstallPlaces::Place(reg::Root& root, std::wstring& key) const {
    if (scope == Scope::Machine) return;
    if (root == reg::Root::ClassesRoot) {
        root = reg::Root::CurrentUser;
        key = kUserClasses + key;
    } else if (root == reg::Root::LocalMachine && win::StartsWithNoCase(key, kMachineSoftware)) {
        root = reg::Root::CurrentUser;
        key = kUserSoftware + key.substr(wcslen(kMachineSoftware));
    }
}

reg::Write InstallPlaces::Placed(reg::Write write) const {
    // A registered application's value names its capabilities' key, in the same hive; the
    // user's list of them may not exist yet.
    const bool namesKey = write.root == reg::Root::LocalMachine &&
                          win::EqualsNoCase(write.key, kRegisteredApplications) &&
                          win::StartsWithNoCase(write.text, kMachineSoftware);
    Place(write.root, write.key);
    if (namesKey && scope == Scope::User) {
        write.text = kUserSoftware + write.text.substr(wcslen(kMachineSoftware));
        write.open = reg::Open::Create;
    }
    return write;
}

bool InstallPlaces::InMachineTerms(reg::Root& root, std::wstring& key) const {
    if (scope == Scope::Machine) return root != reg::Root::CurrentUser;
    if (root != reg::Root::CurrentUser || !win::StartsWithNoCase(key, kUserSoftware)) return false;
    root = reg::Root::LocalMachine;
    key = kMachineSoftware + key.substr(wcslen(kUserSoftware));
    return true;
}

const wchar_t* InstallPlaces::FolderSddl() const { return protectedFolders ? win::kProgramFolderSddl : nullptr; }

const InstallPlaces& Places() { return g_places ? *g_places : DefaultPlaces(); }

ScopedPlaces::ScopedPlaces(const InstallPlaces& places) : m_before(g_places) { g_places = &places; }

ScopedPlaces::~ScopedPlaces() { g_places = m_before; }
