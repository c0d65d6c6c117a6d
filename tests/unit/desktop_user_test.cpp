// Whether a user's token may make files and folders in a place, asked of the place's
// descriptor: an identification token of this process stands for the desktop's user.
#include <gtest/gtest.h>

#include <windows.h>

#include "win/desktop_user.h"
#include "win/security_descriptor.h"
#include "win/unique_handle.h"

namespace {

win::KernelObject OwnIdentity() {
    HANDLE token = nullptr, identity = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token)) return win::KernelObject();
    const win::KernelObject own(token);
    return win::KernelObject(::DuplicateToken(own.get(), SecurityIdentification, &identity) ? identity : nullptr);
}

struct Case {
    const wchar_t* sddl;
    ACCESS_MASK wanted;
    bool asked;
    bool granted;
};

TEST(DesktopUserAccess, TheDescriptorDecidesWhatTheTokenMayMake) {
    const win::KernelObject token = OwnIdentity();
    ASSERT_TRUE(token);
    const Case cases[] = {
        {L"O:BAG:BAD:(A;;FA;;;WD)", win::kMayAddFile | win::kMayAddFolder, true, true},
        // Read and execute only, and what Wine makes of a folder whose Unix mode is 555.
        {L"O:BAG:BAD:(A;;0x1200a9;;;WD)", win::kMayAddFile, true, false},
        {L"O:BAG:BAD:(A;;0x1e00a9;;;WD)", win::kMayAddFile, true, false},
        // One right is not the other.
        {L"O:BAG:BAD:(A;;0x2;;;WD)", win::kMayAddFile, true, true},
        {L"O:BAG:BAD:(A;;0x2;;;WD)", win::kMayAddFile | win::kMayAddFolder, true, false},
        // A denial comes before what is allowed after it.
        {L"O:BAG:BAD:(D;;0x2;;;WD)(A;;FA;;;WD)", win::kMayAddFile, true, false},
        // Ownership gives the right to change the access, not to add files.
        {L"O:WDG:WDD:", win::kMayAddFile, true, false},
        // No access list at all (a file system without them) lets everybody do everything.
        {L"O:BAG:BA", win::kMayAddFile | DELETE, true, true},
        // Without an owner the question cannot be asked, and nothing is granted.
        {L"D:(A;;FA;;;WD)", win::kMayAddFile, false, false},
    };
    for (const Case& c : cases) {
        win::SecurityDescriptor descriptor(c.sddl);
        ASSERT_TRUE(descriptor) << c.sddl;
        bool granted = true;
        DWORD error = 0;
        EXPECT_EQ(win::TokenIsGranted(token.get(), descriptor.get(), c.wanted, granted, error), c.asked) << c.sddl;
        EXPECT_EQ(granted, c.granted) << c.sddl;
        if (!c.asked) {
            EXPECT_NE(error, 0u) << c.sddl;
        }
    }
}

}  // namespace
