#include <gtest/gtest.h>

#include <string>

#include "install/install_places.h"
#include "install/registry/registration.h"
#include "install/registry/registration_places.h"
#include "install/registry/registry_undo.h"
#include "install/request/folder_rules.h"
#include "uninstall/uninstall_scope.h"

namespace {

using reg::Root;

const InstallPlaces kUser = UserPlaces(L"S-1-5-21-1-2-3-1001");

TEST(InstallPlaces, TablesKeysMoveBelowTheUsersSoftwareKey) {
    struct Case {
        Root root;
        const wchar_t* key;
        Root userRoot;
        const wchar_t* userKey;
    } const cases[] = {
        {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg", Root::CurrentUser, L"Software\\Classes\\Lumiscope.jpg"},
        {Root::LocalMachine, L"software\\Lumiscope\\Capabilities", Root::CurrentUser, L"Software\\Lumiscope\\Capabilities"},
        {Root::LocalMachine, L"SOFTWARE\\RegisteredApplications", Root::CurrentUser, L"Software\\RegisteredApplications"},
        {Root::ClassesRoot, L"Applications\\lu_scp64.exe", Root::CurrentUser, L"Software\\Classes\\Applications\\lu_scp64.exe"},
        // The user's own choices stay where they are; no other machine key is a table's.
        {Root::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice",
         Root::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice"},
        {Root::LocalMachine, L"SYSTEM\\CurrentControlSet", Root::LocalMachine, L"SYSTEM\\CurrentControlSet"},
    };
    for (const Case& c : cases) {
        Root machineRoot = c.root, userRoot = c.root;
        std::wstring machineKey = c.key, userKey = c.key;
        MachinePlaces().Place(machineRoot, machineKey);
        kUser.Place(userRoot, userKey);
        EXPECT_EQ(machineRoot, c.root) << c.key;
        EXPECT_EQ(machineKey, c.key);
        EXPECT_EQ(userRoot, c.userRoot) << c.key;
        EXPECT_EQ(userKey, c.userKey);
    }
}

// The entry the uninstaller and the proof look in is where the tables' uninstall writes land.
TEST(InstallPlaces, TheEntryIsWhereTheTablesWriteIt) {
    for (const InstallPlaces& places : {MachinePlaces(), kUser}) {
        const reg::Write placed = places.Placed(reg::SetDefault(Root::LocalMachine, kUninstallKey, L""));
        EXPECT_EQ(reg::KeyText(placed.root, placed.key), reg::KeyText(places.entryRoot, places.entryKey));
    }
    EXPECT_EQ(reg::KeyText(kUser.entryRoot, kUser.entryKey),
              L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64");
}

// The bounds of a repair and of an uninstallation follow the scope: a user's run never acts
// on the machine's keys, nor the machine's on a user's.
TEST(InstallPlaces, BoundsAndProductKeysFollowTheScope) {
    const wchar_t kEntryValue[] = L"InstallLocation";
    const reg::RegistrationPlaces machine(MachinePlaces());
    const reg::RegistrationPlaces user(kUser);
    const std::wstring userEntry = kUser.entryKey;
    EXPECT_TRUE(machine.HoldsValue(Root::LocalMachine, kUninstallKey, kEntryValue));
    EXPECT_FALSE(machine.HoldsValue(Root::CurrentUser, userEntry, kEntryValue));
    EXPECT_TRUE(user.HoldsValue(Root::CurrentUser, userEntry, kEntryValue));
    EXPECT_FALSE(user.HoldsValue(Root::LocalMachine, kUninstallKey, kEntryValue));
    EXPECT_TRUE(user.HoldsKey(Root::CurrentUser, L"Software\\Classes\\Lumiscope.jpg\\DefaultIcon"));
    EXPECT_FALSE(user.HoldsKey(Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg"));
    EXPECT_FALSE(user.HoldsKey(Root::ClassesRoot, L"Lumiscope.jpg"));

    EXPECT_TRUE(reg::IsProductKey(Root::ClassesRoot, L"Lumiscope.jpg"));
    EXPECT_FALSE(reg::IsProductKey(Root::CurrentUser, L"Software\\Classes\\Lumiscope.jpg"));
    ScopedPlaces inForce(kUser);
    EXPECT_TRUE(reg::IsProductKey(Root::CurrentUser, L"Software\\Classes\\Lumiscope.jpg"));
    EXPECT_TRUE(reg::IsProductKey(Root::CurrentUser, userEntry));
    EXPECT_FALSE(reg::IsProductKey(Root::ClassesRoot, L"Lumiscope.jpg"));
    EXPECT_FALSE(reg::IsProductKey(Root::LocalMachine, L"SOFTWARE\\Lumiscope"));
}

TEST(InstallPlaces, UserDefaultFolderFallsBackToLocalAppDataPrograms) {
    struct Case {
        std::wstring known;
        std::wstring local;
        std::wstring folder;
    } const cases[] = {
        {L"C:\\Users\\a\\AppData\\Local\\Programs", L"C:\\x", L"C:\\Users\\a\\AppData\\Local\\Programs\\Lumiscope"},
        {L"", L"C:\\users\\a\\AppData\\Local", L"C:\\users\\a\\AppData\\Local\\Programs\\Lumiscope"},
        {L"", L"C:\\users\\a\\AppData\\Local\\", L"C:\\users\\a\\AppData\\Local\\Programs\\Lumiscope"},
        {L"Programs", L"", L""},
        {L"", L"C:\\" + std::wstring(250, L'a'), L""},
    };
    for (const Case& c : cases) EXPECT_EQ(UserDefaultFolder(c.known, c.local), c.folder) << c.known << c.local;
}

}  // namespace

namespace {

// Only the machine's entry steers an uninstaller to the machine's places; a user's entry that
// names the machine's folder changes nothing.
TEST(InstallPlaces, TheUninstallersScopeComesFromTheEntryThatNamesItsFolder) {
    struct Case {
        const wchar_t* machineEntry;
        const wchar_t* userEntry;
        Scope scope;
    } const cases[] = {
        {L"C:\\Program Files\\Lumiscope\\", L"", Scope::Machine},
        {L"C:\\Program Files\\Lumiscope\\", L"C:\\Program Files\\Lumiscope\\", Scope::Machine},
        {L"C:\\Program Files\\Lumiscope\\", L"C:\\Apps\\Lumiscope\\", Scope::User},
        {L"", L"c:\\apps\\lumiscope", Scope::User},
        {L"", L"C:\\Apps\\Other\\", Scope::Machine},
        {L"", L"", Scope::Machine},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(undo::ScopeFor(L"C:\\Apps\\Lumiscope", c.machineEntry, c.userEntry) == c.scope)
            << c.machineEntry << " | " << c.userEntry;
}

}  // namespace
