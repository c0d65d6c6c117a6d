// The access the programs give what they make. Wine does not keep a file's descriptor, so the
// descriptor the code builds is what is checked: entry by entry, and as text.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "win/security_descriptor.h"

namespace {

struct Entry {
    WELL_KNOWN_SID_TYPE who;
    ACCESS_MASK mask;
    BYTE flags;
};

std::vector<Entry> EntriesOf(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    std::vector<Entry> entries;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) return entries;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* raw = nullptr;
        if (!::GetAce(acl, i, &raw)) continue;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        Entry entry = {WinNullSid, ace->Mask, ace->Header.AceFlags};
        for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid, WinBuiltinUsersSid})
            if (::IsWellKnownSid(sid, type)) entry.who = type;
        entries.push_back(entry);
    }
    return entries;
}

bool IsProtected(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    return ::GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED);
}

constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr ACCESS_MASK kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

TEST(SecurityDescriptor, AProgramFolderIsTheAdministratorsAndUsersOnlyRead) {
    win::SecurityDescriptor access(win::kProgramFolderSddl);
    ASSERT_TRUE(access);
    ASSERT_NE(access.attributes(), nullptr);
    EXPECT_EQ(access.attributes()->lpSecurityDescriptor, access.get());
    EXPECT_TRUE(IsProtected(access.get()));  // nothing comes from a parent users may write
    const std::vector<Entry> entries = EntriesOf(access.get());
    ASSERT_EQ(entries.size(), 3u);
    const Entry expected[] = {{WinLocalSystemSid, FILE_ALL_ACCESS, kInherited},
                              {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, kInherited},
                              {WinBuiltinUsersSid, kReadAndExecute, kInherited}};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].who, expected[i].who) << i;
        EXPECT_EQ(entries[i].mask, expected[i].mask) << i;
        EXPECT_EQ(entries[i].flags, expected[i].flags) << i;
    }
    EXPECT_EQ(entries[2].mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | FILE_DELETE_CHILD), 0u);
    // Written back as text, the access list is the one the code states.
    EXPECT_EQ(win::AccessText(access.get()), L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
}

TEST(SecurityDescriptor, TheLockIsTheAdministratorsAndTheSystemsAlone) {
    win::SecurityDescriptor access(win::kAdministratorsOnlySddl);
    ASSERT_TRUE(access);
    const std::vector<Entry> entries = EntriesOf(access.get());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].who, WinLocalSystemSid);
    EXPECT_EQ(entries[1].who, WinBuiltinAdministratorsSid);
    for (const Entry& entry : entries) EXPECT_EQ(entry.mask, static_cast<ACCESS_MASK>(GENERIC_ALL));
}

TEST(SecurityDescriptor, TextThatIsNoDescriptorGivesDefaultAccess) {
    win::SecurityDescriptor access(L"D:(X;;;;;)");
    EXPECT_FALSE(access);
    EXPECT_EQ(access.attributes(), nullptr);
}

}  // namespace
