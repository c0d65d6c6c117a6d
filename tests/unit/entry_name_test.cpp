#include <gtest/gtest.h>

#include "install/payload/entry_name.h"

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

TEST(EntryName, DeviceNamesAndCharactersWindowsRefusesAreNoFileNames) {
    for (const wchar_t* name : {L"CON", L"Help/nul.txt", L"aux .log", L"COM1", L"lpt9.dat", L"conout$", L"a?.txt",
                                L"a*.txt", L"a\"b", L"a<b", L"a>b", L"a|b", L"tab\there", L"a//b"})
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
    for (const wchar_t* name : {L"console.txt", L"COM10", L"nully", L"Help/comics/"})
        EXPECT_TRUE(IsSafeEntryName(name)) << name;
}

TEST(EntryName, NamesWindowsTakesForOneFileCollide) {
    struct Case {
        std::vector<std::wstring> names;
        bool collide;
    };
    for (const Case& c : {Case{{L"Plugins/", L"Plugins/Icons.dll", L"plugins/Plugins32/", L"l_about.txt"}, false},
                          Case{{L"a.txt", L"a.txt"}, true}, Case{{L"Readme.txt", L"README.TXT"}, true},
                          Case{{L"a.txt", L"a.txt."}, true}, Case{{L"a.txt", L"a.txt  "}, true},
                          Case{{L"Dir/a", L"dir. \\A"}, true}, Case{{L"sub", L"sub/x.txt"}, true},
                          Case{{L"sub/x.txt", L"SUB"}, true}, Case{{L"Help/", L"help/"}, true},
                          Case{{L"\u00c4.txt", L"\u00e4.txt"}, true}, Case{{L"a.txt", L"a.txt2"}, false}}) {
        EXPECT_EQ(HasCollidingNames(c.names), c.collide) << c.names[0] << " " << c.names[1];
    }
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
