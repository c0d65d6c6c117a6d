#include <gtest/gtest.h>

#include "install/record/install_record.h"

using namespace record;

namespace {

ValueData Data(DWORD type, std::vector<BYTE> bytes) { return ValueData{true, type, std::move(bytes)}; }
ValueData Text(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return Data(REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t)));
}
const ValueData kAbsent;

RecordedValue Value(const std::wstring& key, const std::wstring& name, ValueData before, ValueData written,
                    reg::Root root = reg::Root::LocalMachine) {
    return RecordedValue{root, key, name, std::move(before), std::move(written)};
}

InstallRecord OddRecord() {
    InstallRecord r;
    r.programFolder = L"C:\\Program Files\\Lumi\tscope\\";
    r.createdFolders = {L"C:\\Program Files\\Lumi\tscope\\", L"C:\\Program Files\\Lumi\tscope\\Pl\\ug\\"};
    r.files = {{L"Help\\lies\\mich.txt", 0, 0}, {L"\xfc\x65\\\x65e5\x672c.dll", 18446744073709551615ull, 0xdeadbeef}};
    r.links = {L"C:\\Users\\A\\Desktop\\Lumiscope 64\r\n.lnk"};
    r.settingsFiles = {L"C:\\Users\\A\\AppData\\Roaming\\Lumiscope\\lu_scp64.ini"};
    r.createdKeys = {{reg::Root::ClassesRoot, L"Applications\\lu_scp64.exe"}};
    r.values = {
        Value(L"SOFTWARE\\Classes\\.jpg", L"", Text(L"jpegfile"), Text(L"Lumiscope.jpg")),
        Value(L"K\\with\\tab\there", L"na\\me\n", kAbsent, Data(REG_DWORD, {70, 0, 0, 0}), reg::Root::CurrentUser),
        Value(L"K", L"\\t", Data(REG_BINARY, {}), Data(REG_NONE, {0, 255, 16})),
        Value(L"K", L"big type", Data(0xFFFFFFFF, {1}), kAbsent),
    };
    r.deletedKeys = {{reg::Root::CurrentUser, L"Software\\X\\UserChoice", {{L"Progid", Text(L"a\tb")}, {L"", Data(REG_BINARY, {})}}},
                     {reg::Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon", {}}};
    return r;
}

const std::string kHead = "Lumiscope install record 1\r\n";

bool Parses(const std::string& text) {
    InstallRecord r;
    return ParseRecord(text, r);
}

}  // namespace

TEST(InstallRecordText, OddDataSurvivesTheRoundTrip) {
    const std::string text = FormatRecord(OddRecord());
    InstallRecord parsed;
    ASSERT_TRUE(ParseRecord(text, parsed));
    EXPECT_EQ(FormatRecord(parsed), text);
    ASSERT_EQ(parsed.values.size(), 4u);
    EXPECT_EQ(parsed.values[1].name, L"na\\me\n");
    EXPECT_EQ(parsed.values[2].before, Data(REG_BINARY, {}));
    EXPECT_NE(parsed.values[2].before, kAbsent);
    EXPECT_EQ(parsed.files[1].size, 18446744073709551615ull);
    EXPECT_EQ(parsed.deletedKeys[0].values[0].data, Text(L"a\tb"));
    EXPECT_EQ(parsed.links[0], OddRecord().links[0]);
}

TEST(InstallRecordText, LinesAreKeywordAndTabSeparatedEscapedFields) {
    InstallRecord r;
    r.programFolder = L"C:\\L\\";
    r.files = {{L"a b.txt", 12, 0x0badf00d}};
    r.values = {Value(L"S\\K", L"", kAbsent, Data(REG_DWORD, {4, 0, 0, 0}))};
    r.deletedKeys = {{reg::Root::CurrentUser, L"U", {{L"n", Data(REG_SZ, {})}}}};
    EXPECT_EQ(FormatRecord(r), kHead +
                                   "program\tC:\\\\L\\\\\r\n"
                                   "file\ta b.txt\t12\t0badf00d\r\n"
                                   "value\tHKLM\tS\\\\K\t\tabsent\t4:04000000\r\n"
                                   "deleted\tHKCU\tU\r\n"
                                   "held\tn\t1:\r\n");
}

TEST(InstallRecordText, LineEndsByteOrderMarkAndFinalBreakAreTolerated) {
    for (const std::string& text : {std::string("Lumiscope install record 1\nprogram\tC:\\\\L\\\\\n"),
                                    std::string("\xEF\xBB\xBFLumiscope install record 1\r\nprogram\tC:\\\\L"),
                                    std::string("Lumiscope install record 1")}) {
        EXPECT_TRUE(Parses(text)) << text;
    }
}

TEST(InstallRecordText, MalformedTextIsRefusedAsAWhole) {
    for (const char* header : {"", "program\tC:\\\\L\r\n", "Lumiscope install record 2\r\n",
                               "Lumiscope install record 01\r\n", "lumiscope install record 1\r\n"})
        EXPECT_FALSE(Parses(header)) << header;
    const char* bad[] = {
        "*program\tC:\\\\L\r\n",                          // unknown keyword
        "program\tC:\\\\L\textra\r\n",                   // field counts
        "file\ta\t1\r\n",
        "value\tHKLM\tK\tn\tabsent\r\n",
        "program\tC:\\x\r\n",                            // unknown escape
        "program\tC:\\\r\n",                             // lone backslash at the end
        "program\ta\rb\r\n",                             // raw CR inside a field
        "program\t\xC3\x28\r\n",                         // not UTF-8
        "program\tC:\\\\A\r\nprogram\tC:\\\\B\r\n",      // two program folders
        "program\tC:\\\\A\r\n\r\nfolder\tC:\\\\A\r\n",   // an empty line
        "key\tHKU\tK\r\n",                               // unknown root
        "key\thklm\tK\r\n",
        "file\ta\t-1\t00000000\r\n",                     // sizes and CRCs
        "file\ta\t12a\t00000000\r\n",
        "file\ta\t18446744073709551616\t00000000\r\n",
        "file\ta\t1\t0000000\r\n",
        "file\ta\t1\t0000000g\r\n",
        "value\tHKLM\tK\tn\t1:abc\tabsent\r\n",          // data
        "value\tHKLM\tK\tn\tx:00\tabsent\r\n",
        "value\tHKLM\tK\tn\t4294967296:00\tabsent\r\n",
        "value\tHKLM\tK\tn\tAbsent\tabsent\r\n",
        "value\tHKLM\tK\tn\t1\tabsent\r\n",
        "held\tn\t1:00\r\n",                             // held without its deleted key
        "deleted\tHKLM\tK\r\nfile\ta\t1\t00000000\r\nheld\tn\t1:00\r\n",
        "deleted\tHKLM\tK\r\nheld\tn\tabsent\r\n",
    };
    for (const char* lines : bad) {
        EXPECT_FALSE(Parses(kHead + lines)) << lines;
    }
    EXPECT_TRUE(Parses(kHead + "deleted\tHKLM\tK\r\nheld\tn\t1:00\r\nheld\t\t3:\r\ndeleted\tHKCR\tL\r\n"));
}

TEST(InstallRecordMerge, TheEarliestBeforeStateWinsTheLatestDataAndWrites) {
    InstallRecord earlier, latest;
    earlier.programFolder = L"C:\\Old\\";
    latest.programFolder = L"C:\\New\\";
    earlier.createdFolders = {L"C:\\L\\"};
    latest.createdFolders = {L"c:\\l", L"C:\\L\\Plugins\\"};
    earlier.files = {{L"a.txt", 1, 1}, {L"gone.txt", 2, 2}};
    latest.files = {{L"A.TXT", 10, 10}, {L"new.txt", 3, 3}};
    earlier.links = {L"C:\\D\\x.lnk"};
    latest.links = {L"C:\\D\\X.LNK", L"C:\\D\\y.lnk"};
    earlier.values = {Value(L"K", L"n", Text(L"user's"), Text(L"v1")), Value(L"K", L"only", kAbsent, Text(L"o"))};
    latest.values = {Value(L"k", L"N", Text(L"v1"), Text(L"v2")), Value(L"K", L"fresh", kAbsent, Text(L"f"))};
    earlier.createdKeys = {{reg::Root::LocalMachine, L"Made"}};
    earlier.deletedKeys = {{reg::Root::CurrentUser, L"Choice", {{L"Progid", Text(L"theirs")}}}};
    latest.createdKeys = {{reg::Root::CurrentUser, L"CHOICE"}, {reg::Root::LocalMachine, L"Other"}};
    latest.deletedKeys = {{reg::Root::LocalMachine, L"made", {{L"x", Text(L"y")}}},
                          {reg::Root::CurrentUser, L"Made", {}}};

    InstallRecord m = MergeRecords(earlier, latest);
    EXPECT_EQ(m.programFolder, L"C:\\New\\");
    EXPECT_EQ(m.createdFolders, (std::vector<std::wstring>{L"C:\\L\\", L"C:\\L\\Plugins\\"}));
    ASSERT_EQ(m.files.size(), 3u);
    EXPECT_EQ(m.files[0].size, 10u);
    EXPECT_EQ(m.files[0].crc, 10u);
    EXPECT_EQ(m.files[1].path, L"gone.txt");
    EXPECT_EQ(m.files[2].path, L"new.txt");
    EXPECT_EQ(m.links.size(), 2u);
    ASSERT_EQ(m.values.size(), 3u);
    EXPECT_EQ(m.values[0].before, Text(L"user's"));
    EXPECT_EQ(m.values[0].written, Text(L"v2"));
    EXPECT_EQ(m.values[1].name, L"only");
    EXPECT_EQ(m.values[2].name, L"fresh");
    // A key made by the first installation was absent before it, whatever the second found;
    // a key the first one deleted was there, with the values it held then.
    ASSERT_EQ(m.createdKeys.size(), 2u);
    EXPECT_EQ(m.createdKeys[1].key, L"Other");
    ASSERT_EQ(m.deletedKeys.size(), 2u);
    EXPECT_EQ(m.deletedKeys[0].values[0].data, Text(L"theirs"));
    EXPECT_EQ(m.deletedKeys[1].root, reg::Root::CurrentUser);
    EXPECT_EQ(m.deletedKeys[1].key, L"Made");
}

TEST(InstallRecordSafety, OnlyWhatAnInstallationCanHaveMadeIsAccepted) {
    auto safe = [](void (*change)(InstallRecord&)) {
        InstallRecord r;
        r.programFolder = L"C:\\Program Files\\Lumiscope\\";
        r.createdFolders = {L"C:\\Program Files\\Lumiscope\\", L"C:\\Program Files\\Lumiscope\\Plugins"};
        r.files = {{L"Plugins\\Icons.dll", 1, 1}};
        r.links = {L"C:\\Users\\A\\Start Menu\\Lumiscope\\Lumiscope 64 4.70.lnk"};
        r.settingsFiles = {L"C:\\Users\\A\\AppData\\Lumiscope\\lu_scp64.ini"};
        r.values = {Value(L"SOFTWARE\\Classes\\.jpg", L"", kAbsent, Text(L"x"))};
        change(r);
        return IsRecordSafe(r);
    };
    struct Case { const char* what; void (*change)(InstallRecord&); bool safe; };
    const Case cases[] = {
        {"as made", [](InstallRecord&) {}, true},
        {"group folder", [](InstallRecord& r) { r.createdFolders.push_back(L"C:\\Users\\A\\Start Menu\\Lumiscope\\"); }, true},
        {"settings folder", [](InstallRecord& r) { r.createdFolders.push_back(L"c:\\users\\a\\appdata\\lumiscope"); }, true},
        {"program's parent", [](InstallRecord& r) { r.createdFolders.insert(r.createdFolders.begin(), L"C:\\Program Files"); }, true},
        {"UNC program", [](InstallRecord& r) { r.programFolder = L"\\\\srv\\share\\L\\"; r.createdFolders.clear(); }, true},
        {"no program", [](InstallRecord& r) { r.programFolder.clear(); }, false},
        {"relative program", [](InstallRecord& r) { r.programFolder = L"Lumiscope\\"; }, false},
        {"drive root program", [](InstallRecord& r) { r.programFolder = L"C:\\"; }, false},
        {"share root program", [](InstallRecord& r) { r.programFolder = L"\\\\srv\\share\\"; }, false},
        {"device program", [](InstallRecord& r) { r.programFolder = L"\\\\?\\C:\\L\\"; }, false},
        {"dotdot program", [](InstallRecord& r) { r.programFolder = L"C:\\Program Files\\..\\Windows\\"; }, false},
        {"file up and out", [](InstallRecord& r) { r.files.push_back({L"..\\..\\Windows", 1, 1}); }, false},
        {"file rooted", [](InstallRecord& r) { r.files.push_back({L"\\Windows\\win.ini", 1, 1}); }, false},
        {"file on drive", [](InstallRecord& r) { r.files.push_back({L"C:win.ini", 1, 1}); }, false},
        {"file stream", [](InstallRecord& r) { r.files.push_back({L"a.txt:zone", 1, 1}); }, false},
        {"file dot blank", [](InstallRecord& r) { r.files.push_back({L"Help\\.. \\x", 1, 1}); }, false},
        {"file slash", [](InstallRecord& r) { r.files.push_back({L"Help/../../x", 1, 1}); }, false},
        {"file empty", [](InstallRecord& r) { r.files.push_back({L"", 1, 1}); }, false},
        {"folder elsewhere", [](InstallRecord& r) { r.createdFolders.push_back(L"C:\\Windows\\"); }, false},
        {"folder drive root", [](InstallRecord& r) { r.createdFolders.push_back(L"C:\\"); }, false},
        {"folder sibling prefix", [](InstallRecord& r) { r.createdFolders.push_back(L"C:\\Program Files\\Lumiscope2"); }, false},
        {"desktop link", [](InstallRecord& r) { r.links.push_back(L"C:\\Users\\A\\Desktop\\Lumiscope 64.lnk"); }, true},
        {"link not .lnk", [](InstallRecord& r) { r.links.push_back(L"C:\\Users\\A\\Desktop\\evil.exe"); }, false},
        {"link of another name", [](InstallRecord& r) { r.links.push_back(L"C:\\Users\\A\\Desktop\\Editor.lnk"); }, false},
        {"group link elsewhere", [](InstallRecord& r) { r.links.push_back(L"C:\\Users\\A\\Desktop\\Was ist neu.lnk"); }, false},
        {"link relative", [](InstallRecord& r) { r.links.push_back(L"Desktop\\x.lnk"); }, false},
        {"settings other name", [](InstallRecord& r) { r.settingsFiles.push_back(L"C:\\Windows\\win.ini"); }, false},
        {"empty key", [](InstallRecord& r) { r.createdKeys.push_back({reg::Root::LocalMachine, L""}); }, false},
        {"key leading backslash", [](InstallRecord& r) { r.values[0].key = L"\\SOFTWARE"; }, false},
        {"deleted key empty", [](InstallRecord& r) { r.deletedKeys.push_back({reg::Root::CurrentUser, L"", {}}); }, false},
        // The registry only where the setup's tables write: the product's values, the parents
        // of its keys, the keys it deletes; never an autostart entry or a foreign value.
        {"product value by HKCR", [](InstallRecord& r) { r.values.push_back(Value(L"Applications\\lu_scp64.exe", L"FriendlyAppName", kAbsent, Text(L"x"), reg::Root::ClassesRoot)); }, true},
        {"user choice", [](InstallRecord& r) { r.values.push_back(Value(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice", L"Progid", kAbsent, Text(L"x"), reg::Root::CurrentUser)); }, true},
        {"parent of a verb", [](InstallRecord& r) { r.createdKeys.push_back({reg::Root::LocalMachine, L"SOFTWARE\\Classes\\Directory\\shell"}); }, true},
        {"old icon deleted", [](InstallRecord& r) { r.deletedKeys.push_back({reg::Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon", {}}); }, true},
        {"autostart value", [](InstallRecord& r) { r.values.push_back(Value(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"x", kAbsent, Text(L"x"))); }, false},
        {"other value of a product key", [](InstallRecord& r) { r.values.push_back(Value(L"SOFTWARE\\Classes\\.jpg", L"Content Type", kAbsent, Text(L"x"))); }, false},
        {"value in the user's hive", [](InstallRecord& r) { r.values[0].root = reg::Root::CurrentUser; }, false},
        {"foreign key made", [](InstallRecord& r) { r.createdKeys.push_back({reg::Root::LocalMachine, L"SOFTWARE\\Policies\\X"}); }, false},
        {"foreign key deleted", [](InstallRecord& r) { r.deletedKeys.push_back({reg::Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", {}}); }, false},
    };
    for (const Case& c : cases) EXPECT_EQ(safe(c.change), c.safe) << c.what;
}

TEST(InstallRecordProof, ProductPartKeepsWhatIsSurelyTheProductsAndBelievesNoStateBefore) {
    InstallRecord r;
    r.programFolder = L"D:\\Apps\\Lumiscope\\";
    r.createdFolders = {L"D:\\Apps\\Lumiscope\\", L"D:\\Apps\\Lumiscope\\Plugins", L"C:\\Users\\A\\AppData\\Lumiscope"};
    r.files = {{L"lu_scp64.exe", 5, 7}};
    r.links = {L"C:\\Users\\A\\Desktop\\Lumiscope 64.lnk"};
    r.settingsFiles = {L"C:\\Users\\A\\AppData\\Lumiscope\\lu_scp64.ini"};
    r.createdKeys = {{reg::Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope"},
                     {reg::Root::LocalMachine, L"SOFTWARE\\Classes\\Directory\\shell"}};
    r.values = {Value(L"SOFTWARE\\Classes\\.jpg\\shell\\open\\command", L"", Text(L"C:\\Users\\Public\\evil.exe \"%1\""), Text(L"x")),
                Value(L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command", L"", Text(L"old"), Text(L"new"))};
    r.deletedKeys = {{reg::Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon", {{L"", Text(L"x")}}}};
    const InstallRecord part = ProductPart(r);
    EXPECT_EQ(part.programFolder, r.programFolder);
    EXPECT_EQ(part.files.size(), 1u);
    EXPECT_EQ(part.links, r.links);
    EXPECT_EQ(part.createdFolders, (std::vector<std::wstring>{L"D:\\Apps\\Lumiscope\\", L"D:\\Apps\\Lumiscope\\Plugins"}));
    EXPECT_TRUE(part.settingsFiles.empty());
    ASSERT_EQ(part.createdKeys.size(), 1u);
    EXPECT_EQ(part.createdKeys[0].key, L"SOFTWARE\\Classes\\Lumiscope");
    // Only the product's own value stays, to tell a takeover; nothing is put back from it.
    ASSERT_EQ(part.values.size(), 1u);
    EXPECT_EQ(part.values[0].key, L"SOFTWARE\\Classes\\Lumiscope\\shell\\open\\command");
    EXPECT_FALSE(part.values[0].before.exists);
    EXPECT_EQ(part.values[0].written, Text(L"new"));
    EXPECT_TRUE(part.deletedKeys.empty());
    EXPECT_TRUE(IsRecordSafe(part));
}
