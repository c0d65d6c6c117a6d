#include <gtest/gtest.h>

#include "install/recovery/pending_rename_rules.h"
#include "install/request/installed_version.h"
#include "install/viewer/viewer_rules.h"
#include "win/path_text.h"

namespace {

using txn::PendingPair;

TEST(PendingRenames, ValueTextRoundTripsWithDeletionsInsideTheList) {
    // As the system writes it: a deletion's empty target, a replace marked "!", the list's own NUL.
    const std::wstring data(L"\\??\\C:\\P\\lm_uninstall.exe\0\0\\??\\C:\\a.tmp\0!\\??\\C:\\b\0\\??\\C:\\P\0\0\0", 61);
    const auto names = txn::SplitMultiString(data);
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[1], L"");
    EXPECT_EQ(names[5], L"");
    EXPECT_EQ(txn::JoinMultiString(names), data);
    const auto pairs = txn::PendingPairs(names);
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(txn::PendingPath(pairs[1].target), L"C:\\b");
    EXPECT_EQ(txn::PendingPath(L"\\??\\UNC\\srv\\share\\x"), L"\\\\srv\\share\\x");
    EXPECT_EQ(txn::PairNames(pairs), names);
    // A list cut after a source keeps it as a deletion, as the system reads it.
    EXPECT_EQ(txn::PendingPairs({L"\\??\\C:\\x"}).front().target, L"");
}

// A folder whose deletion goes becomes the installation's own (parents first, named once).
TEST(PendingRenames, PairsNamingAWrittenFileOrAFolderAroundOneGoAndSuchFoldersAreKept) {
    const std::vector<std::wstring> written = {L"C:\\Program Files\\Lumiscope\\lm_uninstall.exe",
                                               L"C:\\Program Files\\Lumiscope\\Plugins\\Icons.dll"};
    const wchar_t* none = L"";
    struct Case {
        PendingPair pair;
        bool goes;
        const wchar_t* folder;  // the folder it makes the installation's
    } cases[] = {
        {{L"\\??\\C:\\Program Files\\Lumiscope\\LM_UNINSTALL.EXE", L""}, true, none},  // the removal's own file
        {{L"\\??\\C:\\Program Files\\Lumiscope\\Plugins", L""}, true, L"C:\\Program Files\\Lumiscope\\Plugins"},
        {{L"\\??\\C:\\Program Files\\Lumiscope\\", L""}, true, L"C:\\Program Files\\Lumiscope"},
        {{L"\\??\\C:\\Program Files\\Lumiscope", L""}, true, L"C:\\Program Files\\Lumiscope"},
        {{L"\\??\\C:\\Program Files", L""}, true, L"C:\\Program Files"},  // a level above
        {{L"\\??\\C:\\Temp\\x.tmp", L"!\\??\\C:\\Program Files\\Lumiscope\\lm_uninstall.exe"}, true, none},
        {{L"\\??\\C:\\Program Files\\Lumiscope", L"\\??\\C:\\Old"}, true, none},  // moved, not deleted
        {{L"\\??\\C:\\Program Files\\Lumiscope\\notes.txt", L""}, false, none},  // not the installation's
        {{L"\\??\\C:\\Program Files\\Lumiscope\\lu_scp64.exe.lm-old", L""}, false, none},
        {{L"\\??\\C:\\Program Files\\Lumiscope2", L""}, false, none},  // a sibling sharing the prefix
        {{L"\\??\\C:\\Temp\\a", L"\\??\\C:\\Temp\\b"}, false, none},
    };
    std::vector<PendingPair> all;
    for (const Case& c : cases) {
        std::vector<PendingPair> kept, dropped;
        txn::DropPairsNaming({c.pair}, written, kept, dropped);
        EXPECT_EQ(dropped.size(), c.goes ? 1u : 0u) << c.pair.source << L" -> " << c.pair.target;
        EXPECT_EQ(kept.size(), c.goes ? 0u : 1u);
        const auto folders = txn::FoldersKeptFromDeletion(dropped, written);
        EXPECT_EQ(folders, *c.folder ? std::vector<std::wstring>{c.folder} : std::vector<std::wstring>{})
            << c.pair.source;
        all.insert(all.begin(), dropped.begin(), dropped.end());  // children first, as a removal schedules them
    }
    EXPECT_EQ(txn::FoldersKeptFromDeletion(all, written),
              (std::vector<std::wstring>{L"C:\\Program Files", L"C:\\Program Files\\Lumiscope",
                                         L"C:\\Program Files\\Lumiscope\\Plugins"}));
}

TEST(InstalledVersion, OnlyALaterVersionIsNewer) {
    const ProductVersion setup{4, 70};
    struct Case {
        ProductVersion installed;
        bool newer;
    } cases[] = {{{0, 0}, false}, {{4, 70}, false}, {{4, 62}, false}, {{3, 99}, false},
                 {{4, 71}, true}, {{5, 0}, true},   {{10, 0}, true}};
    for (const Case& c : cases)
        EXPECT_EQ(IsNewerThan(c.installed, setup), c.newer) << c.installed.major << L"." << c.installed.minor;
    EXPECT_EQ(VersionText({5, 0}), L"5.00");
}

// Only a program or library the installation puts into the folder is the viewer.
TEST(RunningPrograms, OnlyTheInstallationsProgramsAndLibrariesCountAsTheViewer) {
    const std::vector<std::wstring> names = {L"lu_scp64.exe", L"lm_uninstall.exe", L"Plugins/Icons.dll",
                                             L"Html\\index.htm", L"DEUTSCH.DLL"};
    struct Case {
        const wchar_t* folder;
        const wchar_t* image;
        bool viewer;
    } cases[] = {
        {L"C:\\Tools\\Lumiscope\\", L"C:\\Tools\\Lumiscope\\lu_scp64.exe", true},
        {L"C:\\Tools\\Lumiscope", L"c:\\tools\\LUMISCOPE\\Plugins\\icons.DLL", true},
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Lumiscope\\deutsch.dll", true},
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Lumiscope\\Html\\index.htm", false},  // named, but no code
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Lumiscope\\Other\\lu_scp64.exe", false},  // a folder not named
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Lumiscope\\other.exe", false},
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Other\\other.exe", false},
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Lumiscope2\\lu_scp64.exe", false},
        {L"C:\\Tools\\Lumiscope", L"C:\\Tools\\Lumiscopelu_scp64.exe", false},
        {L"C:\\Windows", L"C:\\windows\\system32\\services.exe", false},
        {L"C:\\", L"C:\\lu_scp64.exe", true},
        {L"C:\\", L"C:\\windows\\explorer.exe", false},
        {L"\\\\srv\\share\\L", L"\\\\SRV\\share\\L\\lm_uninstall.exe", true},
        {L"", L"C:\\lu_scp64.exe", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(viewer::IsViewerImage(c.image, c.folder, names), c.viewer) << c.folder << L" " << c.image;
}

// The viewer is started again with the file its title names, when that is a full path.
TEST(RunningPrograms, TheOpenFileComesFromAFullPathInTheTitle) {
    const std::wstring longPath = L"C:\\" + std::wstring(257, L'x');  // 260 characters
    struct Case {
        std::wstring title;
        std::wstring file;
        std::wstring parameters;
    } cases[] = {
        {L"Lumiscope - C:\\Bilder & Fotos\\Haus.jpg", L"C:\\Bilder & Fotos\\Haus.jpg", L"\"C:\\Bilder & Fotos\\Haus.jpg\""},
        {L"Lumiscope - \\\\srv\\share\\a.png", L"\\\\srv\\share\\a.png", L"\"\\\\srv\\share\\a.png\""},
        {L"Lumiscope", L"", L""},
        {L"Lumiscope - ", L"", L""},
        {L"Lumiscope - Haus.jpg", L"", L""},                      // not a full path
        {L"Lumiscope - C:\\", L"", L""},                          // a drive, no file
        {L"Lumiscope - C:\\a\" /thumbs \"b.jpg", L"", L""},      // a quote would end the parameter
        {L"lumiscope - C:\\a.jpg", L"", L""},
        {L"Lumiscope - " + longPath.substr(0, 259), longPath.substr(0, 259), L"\"" + longPath.substr(0, 259) + L"\""},
        {L"Lumiscope - " + longPath, L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(viewer::OpenFileFromTitle(c.title), c.file) << c.title;
        EXPECT_EQ(viewer::StartParameters(viewer::OpenFileFromTitle(c.title)), c.parameters) << c.title;
    }
}

}  // namespace
