#include <gtest/gtest.h>

#include <shlobj.h>

#include "install/links/shortcuts.h"

namespace {

std::vector<std::wstring> Names(const std::vector<GroupLink>& links) {
    std::vector<std::wstring> names;
    for (const auto& link : links) names.push_back(link.fileName);
    return names;
}

}  // namespace

TEST(StartMenuGroupLinks, NineLinksExceptOnWindowsEight) {
    const std::vector<std::wstring> nine = {
        L"Lumiscope 64 4.70.lnk",       L"Lumiscope - Thumbnails.lnk", L"Lumiscope deinstallieren.lnk",
        L"Über Lumiscope.lnk",          L"Was ist neu.lnk",            L"Kommandozeilen-Optionen.lnk",
        L"Verfügbare PlugIns.lnk",      L"Verfügbare Sprachen.lnk",    L"Lumiscope Hilfe.lnk"};
    for (int versionClass : {7, 10, 11}) EXPECT_EQ(Names(StartMenuGroupLinks(L"C:\\L\\", versionClass)), nine);

    auto eight = nine;
    eight.erase(eight.begin() + 2);
    EXPECT_EQ(Names(StartMenuGroupLinks(L"C:\\L\\", 8)), eight);
}

TEST(StartMenuGroupLinks, TargetsOfTheTextAndHelpLinks) {
    auto links = StartMenuGroupLinks(L"D:\\Tools\\", 10);
    ASSERT_EQ(links.size(), 9u);
    EXPECT_EQ(links[2].target, L"D:\\Tools\\lm_uninstall.exe");
    EXPECT_EQ(links[6].target, L"D:\\Tools\\l_plugins.txt");
    EXPECT_EQ(links[8].target, L"D:\\Tools\\help\\lu_scp32_deutsch.chm");
    for (size_t i = 2; i < links.size(); ++i) EXPECT_TRUE(links[i].arguments.empty() && links[i].iconPath.empty()) << i;
}

TEST(StartMenuGroupLinks, FoldersAndOldVersions) {
    EXPECT_EQ(DesktopFolderCsidl(1), CSIDL_COMMON_DESKTOPDIRECTORY);
    EXPECT_EQ(DesktopFolderCsidl(0), CSIDL_DESKTOP);
    EXPECT_EQ(DesktopFolderCsidl(-3), CSIDL_COMMON_DESKTOPDIRECTORY);
    EXPECT_EQ(ProgramsFolderCsidl(2), CSIDL_COMMON_PROGRAMS);
    EXPECT_EQ(ProgramsFolderCsidl(0), CSIDL_PROGRAMS);
    EXPECT_EQ(OldGroupLinkNames(), (std::vector<std::wstring>{L"Lumiscope 64 4.67.lnk", L"Lumiscope 64 4.66.lnk"}));
}
