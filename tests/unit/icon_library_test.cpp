#include <gtest/gtest.h>

#include "install/request/folders.h"
#include "install/payload/icon_library.h"

TEST(IconVersionNumber, ScalesInSinglePrecisionAndTruncates) {
    EXPECT_EQ(VersionNumberFromText(L"4.30"), 4300);
    EXPECT_EQ(VersionNumberFromText(L"4.20"), 4200);
    EXPECT_EQ(VersionNumberFromText(L"5.00"), 5000);
    EXPECT_EQ(VersionNumberFromText(L"4.62"), 4620);  // 4619 in double precision
    EXPECT_EQ(VersionNumberFromText(L"4.3 beta"), 4300);
    EXPECT_EQ(VersionNumberFromText(L"beta"), 0);
    EXPECT_EQ(VersionNumberFromText(L""), 0);
    EXPECT_GT(VersionNumberFromText(L"65535.6553565535"), 65535000);
    EXPECT_GT(VersionNumberFromText(L"1e30"), 65535000);  // clamped, not undefined
}

namespace {

int Decide(bool readable, int version, long long size, const wchar_t* company) {
    InstalledIconLibrary installed;
    installed.versionReadable = readable;
    installed.versionNumber = version;
    installed.fileSize = size;
    installed.company = company;
    return DecideKeepIconLibrary(installed);
}

}  // namespace

TEST(IconLibraryDecision, NoReadableVersionIsReplaced) {
    EXPECT_EQ(Decide(false, 0, -1, L""), 0);
    EXPECT_EQ(Decide(false, 9000, 5, L"Pixelwerk"), 0);
}

TEST(IconLibraryDecision, NewerIsKeptWhateverItsCompany) {
    EXPECT_EQ(Decide(true, 4301, 226816, L"Brannholt"), 1);
    EXPECT_EQ(Decide(true, 5000, 4096, L"Pixelwerk"), 1);
}

TEST(IconLibraryDecision, OlderIsReplacedOnlyWhenItIsOurs) {
    EXPECT_EQ(Decide(true, 4200, 4096, L"Brannholt"), 0);
    EXPECT_EQ(Decide(true, 4299, -1, L"bRANNHOLT"), 0);
    EXPECT_EQ(Decide(true, 4200, 4096, L""), 1);
    EXPECT_EQ(Decide(true, 4200, 4096, L"Brannholt Ltd"), 1);
}

TEST(IconLibraryDecision, SameVersionIsReplacedOnlyAtTheReferenceSizeAndOurs) {
    EXPECT_EQ(Decide(true, 4300, 226816, L"BRANNHOLT"), 0);
    EXPECT_EQ(Decide(true, 4300, 226815, L"Brannholt"), 1);
    EXPECT_EQ(Decide(true, 4300, -1, L"Brannholt"), 1);
    EXPECT_EQ(Decide(true, 4300, 226816, L"Pixelwerk"), 1);
}

