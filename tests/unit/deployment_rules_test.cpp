#include <gtest/gtest.h>

#include "install/recovery/pending_rename_rules.h"
#include "install/request/installed_version.h"
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

TEST(PendingRenames, PairsNamingAWrittenFileOrAFolderAroundOneGo) {
    const std::vector<std::wstring> written = {L"C:\\Program Files\\Lumiscope\\lm_uninstall.exe",
                                               L"C:\\Program Files\\Lumiscope\\Plugins\\Icons.dll"};
    struct Case {
        PendingPair pair;
        bool goes;
    } cases[] = {
        {{L"\\??\\C:\\Program Files\\Lumiscope\\LM_UNINSTALL.EXE", L""}, true},  // the removal's own file
        {{L"\\??\\C:\\Program Files\\Lumiscope\\Plugins", L""}, true},           // a folder kept
        {{L"\\??\\C:\\Program Files\\Lumiscope\\", L""}, true},                  // the program folder
        {{L"\\??\\C:\\Program Files\\Lumiscope", L""}, true},
        {{L"\\??\\C:\\Temp\\x.tmp", L"!\\??\\C:\\Program Files\\Lumiscope\\lm_uninstall.exe"}, true},  // replaces one
        {{L"\\??\\C:\\Program Files\\Lumiscope\\notes.txt", L""}, false},  // not the installation's
        {{L"\\??\\C:\\Program Files\\Lumiscope\\lu_scp64.exe.lm-old", L""}, false},
        {{L"\\??\\C:\\Program Files\\Lumiscope2", L""}, false},  // a sibling sharing the prefix
        {{L"\\??\\C:\\Temp\\a", L"\\??\\C:\\Temp\\b"}, false},
    };
    for (const Case& c : cases) {
        std::vector<PendingPair> kept, dropped;
        txn::DropPairsNaming({c.pair}, written, kept, dropped);
        EXPECT_EQ(dropped.size(), c.goes ? 1u : 0u) << c.pair.source << L" -> " << c.pair.target;
        EXPECT_EQ(kept.size(), c.goes ? 0u : 1u);
    }
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

TEST(RunningPrograms, AProgramRunsFromTheFolderWhenItsFileLiesInIt) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* image;
        bool inside;
    } cases[] = {
        {L"C:\\Program Files\\Lumiscope\\", L"C:\\Program Files\\Lumiscope\\lu_scp64.exe", true},
        {L"C:\\Program Files\\Lumiscope", L"c:\\program files\\LUMISCOPE\\Plugins\\helper.exe", true},
        {L"C:\\Program Files\\Lumiscope", L"C:\\Program Files\\Lumiscope2\\lu_scp64.exe", false},
        {L"C:\\Program Files\\Lumiscope", L"C:\\Program Files\\Lumiscope", false},
        {L"C:\\Program Files\\Lumiscope", L"C:\\Windows\\explorer.exe", false},
        // A drive root holds the system's programs below it: only its own files count.
        {L"D:\\", L"D:\\lu_scp64.exe", true},
        {L"C:\\", L"C:\\Windows\\explorer.exe", false},
    };
    for (const Case& c : cases) EXPECT_EQ(win::IsProgramInFolder(c.folder, c.image), c.inside) << c.folder << L" " << c.image;
}

}  // namespace
