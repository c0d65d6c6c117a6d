// Who may change, replace or rename away the program folder: descriptors as SDDL text in (as
// Windows has them for Program Files, a drive's root, folders users made), verdict out.
#include <gtest/gtest.h>

#include <string>

#include "install/request/folder_access.h"
#include "win/security_descriptor.h"

namespace {

using folder_access::Verdict;

#define TI L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
#define ME L"S-1-5-21-0-0-0-1000"    // the running administrator (the account Wine runs as)
#define USER L"S-1-5-21-1-2-3-1001"  // an ordinary user

// A folder the setup made, and one that inherited from a drive's root as a user made it.
const std::wstring kOurs = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const std::wstring kUsersMade = L"O:" USER L"D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1301bf;;;AU)";
const std::wstring kProgramFiles = L"O:" TI L"D:PAI(A;CI;FA;;;" TI L")(A;CIIO;GA;;;" TI L")(A;;0x1301bf;;;SY)"
                                   L"(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
                                   L"(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;S-1-15-2-1)";
const std::wstring kDriveRoot = L"O:" TI L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
                                L"(A;CI;0x4;;;AU)(A;OICIIO;SDGXGWGR;;;AU)";
const std::wstring kWine = L"O:" ME L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" ME L")(A;OICI;0x1200a9;;;WD)";

// The parent as a drive's root, with one more entry.
std::wstring RootWith(const std::wstring& entry) { return kDriveRoot + entry; }

win::ObjectAccess Access(const std::wstring& sddl) {
    win::SecurityDescriptor descriptor(sddl.c_str());
    win::ObjectAccess access;
    EXPECT_TRUE(descriptor && win::AccessOf(descriptor.get(), access)) << std::string(sddl.begin(), sddl.end());
    return access;
}

enum class Level { ProgramFolder, Above, Root };

struct Row {
    const char* what;
    std::wstring level;
    std::wstring parent;
    Level kind;
    Verdict expected;
    std::wstring self = ME;
};

Verdict Judge(const Row& row) {
    if (row.kind == Level::Root) return folder_access::JudgeOwnAccess(Access(row.level), true, true, row.self);
    return folder_access::JudgeExistingLevel(Access(row.level), Access(row.parent), row.kind == Level::ProgramFolder,
                                             row.self);
}

}  // namespace

TEST(FolderAccess, VerdictFromOwnersAndEntriesOfTheLevelAndItsParent) {
    const Row rows[] = {
        // Owners of the parent.
        {"under Program Files", kOurs, kProgramFiles, Level::ProgramFolder, Verdict::Fine},
        {"parent owned by SYSTEM", kOurs, L"O:SYD:P(A;;FA;;;SY)", Level::ProgramFolder, Verdict::Fine},
        {"parent owned by Administrators", kOurs, L"O:BAD:P(A;;FA;;;BA)", Level::ProgramFolder, Verdict::Fine},
        {"parent a user made in C:\\", kOurs, kUsersMade, Level::ProgramFolder, Verdict::Refuse},
        {"parent owned by a user, granting nothing", kOurs, L"O:" USER L"D:P", Level::ProgramFolder, Verdict::Refuse},
        {"parent owned by the running administrator", kOurs, L"O:" ME L"D:P", Level::ProgramFolder, Verdict::Fine},
        {"... who is no administrator", kOurs, L"O:" ME L"D:P", Level::ProgramFolder, Verdict::Refuse, L""},
        // Rights on the parent.
        {"parent: users may delete children", kOurs, RootWith(L"(A;;0x40;;;BU)"), Level::ProgramFolder, Verdict::Refuse},
        {"parent: users may change its access", kOurs, RootWith(L"(A;;WD;;;AU)"), Level::ProgramFolder, Verdict::Refuse},
        {"parent: users may take it over", kOurs, RootWith(L"(A;;WO;;;" USER L")"), Level::ProgramFolder, Verdict::Refuse},
        {"parent: users have full control", kOurs, RootWith(L"(A;;FA;;;BU)"), Level::ProgramFolder, Verdict::Refuse},
        {"parent: users have generic all", kOurs, RootWith(L"(A;;GA;;;BU)"), Level::ProgramFolder, Verdict::Refuse},
        {"parent: users modify (no delete child)", kOurs, RootWith(L"(A;;0x1301bf;;;AU)"), Level::ProgramFolder,
         Verdict::Fine},
        {"parent: full control for users inherit-only", kOurs, RootWith(L"(A;OICIIO;FA;;;BU)"), Level::ProgramFolder,
         Verdict::Fine},
        {"parent: creator owner, even on the object", kOurs, RootWith(L"(A;OICI;FA;;;CO)"), Level::ProgramFolder,
         Verdict::Fine},
        {"parent: owner rights of an administrators' folder", kOurs, RootWith(L"(A;;FA;;;S-1-3-4)"),
         Level::ProgramFolder, Verdict::Fine},
        {"parent: a deny entry is not trusted to help", kOurs, RootWith(L"(D;;0x40;;;AU)(A;;0x40;;;AU)"),
         Level::ProgramFolder, Verdict::Refuse},
        // The program folder's own rights.
        {"folder a user made in C:\\", kUsersMade, kDriveRoot, Level::ProgramFolder, Verdict::MakeSafe},
        {"folder: users generic write", L"O:BAD:P(A;;GW;;;BU)", kDriveRoot, Level::ProgramFolder, Verdict::MakeSafe},
        {"folder: users may add files", L"O:BAD:P(A;;0x2;;;BU)", kDriveRoot, Level::ProgramFolder, Verdict::MakeSafe},
        {"folder: a user may delete it", L"O:BAD:P(A;;SD;;;" USER L")", kDriveRoot, Level::ProgramFolder,
         Verdict::MakeSafe},
        {"folder: users may take it over", L"O:BAD:P(A;;WO;;;BU)", kDriveRoot, Level::ProgramFolder, Verdict::MakeSafe},
        {"folder of TrustedInstaller, users read", L"O:" TI L"D:P(A;;FA;;;" TI L")(A;;0x1200a9;;;BU)", kDriveRoot,
         Level::ProgramFolder, Verdict::Fine},
        {"folder made safe but parent a user's", kUsersMade, kUsersMade, Level::ProgramFolder, Verdict::Refuse},
        // A level above the program folder: not the setup's to change.
        {"above: a user made it", kUsersMade, kDriveRoot, Level::Above, Verdict::Refuse},
        {"above: users may add folders only", L"O:BAD:P(A;;0x6;;;BU)", kDriveRoot, Level::Above, Verdict::Fine},
        {"above: users may delete it", L"O:BAD:P(A;;SD;;;AU)", kDriveRoot, Level::Above, Verdict::Refuse},
        // A drive's root as the program folder.
        {"root where users may make folders", kDriveRoot, L"", Level::Root, Verdict::Refuse},
        {"root only administrators change", L"O:SYD:P(A;;FA;;;BA)(A;;0x1200a9;;;BU)", L"", Level::Root, Verdict::Fine},
        // Under Wine everything belongs to the running account, an administrator.
        {"Wine: folder and parent", kWine, kWine, Level::ProgramFolder, Verdict::Fine},
        {"Wine: the same, run by no administrator", kWine, kWine, Level::ProgramFolder, Verdict::Refuse, L""},
    };
    for (const Row& row : rows) EXPECT_EQ(Judge(row), row.expected) << row.what;
}

// No access list at all lets everyone do everything. Wine's SDDL reader makes an empty list of
// "NO_ACCESS_CONTROL", so the descriptor is built by hand.
TEST(FolderAccess, AParentWithoutAccessListIsRefused) {
    SECURITY_DESCRIPTOR descriptor;
    alignas(SID) unsigned char administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
    ASSERT_TRUE(::SetSecurityDescriptorOwner(&descriptor, administrators, FALSE));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    win::ObjectAccess parent;
    ASSERT_TRUE(win::AccessOf(&descriptor, parent));
    EXPECT_EQ(folder_access::JudgeExistingLevel(Access(kOurs), parent, true, ME), Verdict::Refuse);
}
