#include <gtest/gtest.h>

#include "extract_scratch.h"
#include "install/request/folders.h"
#include "install/payload/icon_library.h"

namespace {

class IconLibraryCheck : public ExtractScratch {
protected:
    void Install(const std::wstring& fixture) {
        ::CreateDirectoryW(Target(L"Plugins").c_str(), nullptr);
        ASSERT_TRUE(::CopyFileW(Fixture(L"icons/" + fixture + L".dll").c_str(), Target(L"Plugins\\Icons.dll").c_str(), FALSE));
    }
};

struct Case {
    const wchar_t* fixture;
    int keep;
};

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << Narrow(c.fixture) << " keep " << c.keep; }

class IconLibraryFixtures : public IconLibraryCheck, public ::testing::WithParamInterface<Case> {};

}  // namespace

TEST_F(IconLibraryCheck, NothingInstalledIsReplacedAndPluginsIsMade) {
    EXPECT_EQ(CheckExistingIconLibrary(Target()), 0);
    EXPECT_TRUE(Exists(Target(L"Plugins")));
}

TEST_F(IconLibraryCheck, ReadsVersionTextAndUsEnglishCompany) {
    std::wstring version, company = L"stale";
    ASSERT_TRUE(ReadVersionInfo(Fixture(L"icons/v430_reference.dll"), version, &company));
    EXPECT_EQ(version, L"4.30");
    EXPECT_EQ(company, L"Brannholt");

    ASSERT_TRUE(ReadVersionInfo(Fixture(L"icons/v420_no_us_table.dll"), version, &company));
    EXPECT_EQ(version, L"4.20");
    EXPECT_EQ(company, L"");

    EXPECT_TRUE(ReadVersionInfo(Fixture(L"icons/v500_other.dll"), version, nullptr));
    EXPECT_EQ(version, L"5.00");
    EXPECT_FALSE(ReadVersionInfo(Target(L"missing.dll"), version, &company));
}

TEST_P(IconLibraryFixtures, DecidesByVersionSizeAndCompany) {
    Install(GetParam().fixture);
    EXPECT_EQ(CheckExistingIconLibrary(Target()), GetParam().keep);
}

INSTANTIATE_TEST_SUITE_P(Installed, IconLibraryFixtures,
                         ::testing::Values(Case{L"v420_brannholt", 0}, Case{L"v420_capitals", 0},
                                           Case{L"v420_other", 1}, Case{L"v420_no_us_table", 1},
                                           Case{L"v430_reference", 0}, Case{L"v430_other_size", 1},
                                           Case{L"v440_other", 1}, Case{L"v500_other", 1}),
                         [](const auto& info) { return Narrow(info.param.fixture); });

