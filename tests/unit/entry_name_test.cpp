#include <gtest/gtest.h>

#include "install/entry_name.h"

TEST(EntryName, PayloadNamesAreSafe) {
    for (const wchar_t* name : {L"lu_scp64.exe", L"Plugins/", L"Plugins/Plugins32/", L"Plugins/Icons.dll",
                                L"Help\\index.htm", L"#readme_zip_users.txt", L".hidden", L"a..b/c..d"})
        EXPECT_TRUE(IsSafeEntryName(name)) << name;
}

TEST(EntryName, NamesThatCouldLeaveTheTargetAreRefused) {
    for (const wchar_t* name : {L"", L"..", L"../x", L"a/../../x", L"a\\..\\..\\x", L"a/..", L"/x", L"\\x",
                                L"//server/share/x", L"C:/x", L"C:x", L"a/b:stream", L".. /x", L"a/.../x",
                                L"a/./b", L". ./x"})
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
}

TEST(EntryName, IconLibraryIsFoundInAnyCaseAnywhereInTheName) {
    EXPECT_TRUE(NamesIconLibrary("Plugins/Icons.dll"));
    EXPECT_TRUE(NamesIconLibrary("PLUGINS/ICONS.DLL"));
    EXPECT_TRUE(NamesIconLibrary("Plugins/Plugins32/icons.dll.old"));
    EXPECT_FALSE(NamesIconLibrary("Plugins/Icons.dl"));
    EXPECT_FALSE(NamesIconLibrary("Plugins/Icon.dll"));
}

TEST(EntryName, SplitsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(NamePart(L"Plugins/Plugins32/"), L"");
    EXPECT_EQ(FolderPart(L"Plugins/Plugins32/"), L"Plugins/Plugins32");
    EXPECT_EQ(NamePart(L"Help/de\\a.htm"), L"a.htm");
    EXPECT_EQ(FolderPart(L"Help/de\\a.htm"), L"Help/de");
    EXPECT_EQ(NamePart(L"l_about.txt"), L"l_about.txt");
    EXPECT_EQ(FolderPart(L"l_about.txt"), L"");
}

TEST(EntryName, OnlyStoredOrDeflatedUnencryptedEntriesAreUnpacked) {
    EXPECT_TRUE(IsSupportedEntry(0, 0));
    EXPECT_TRUE(IsSupportedEntry(8, 0x808));  // UTF-8 name, data descriptor
    EXPECT_FALSE(IsSupportedEntry(12, 0));    // bzip2 would come out as raw bytes
    EXPECT_FALSE(IsSupportedEntry(14, 0));
    EXPECT_FALSE(IsSupportedEntry(8, 0x1));
    EXPECT_FALSE(IsSupportedEntry(0, 0x41));
}
