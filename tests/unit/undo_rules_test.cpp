#include <gtest/gtest.h>

#include "uninstall/result_message.h"
#include "uninstall/undo_rules.h"
#include "uninstall/uninstall_options.h"

using namespace undo;
using record::ValueData;
using reg::Root;

namespace {

ValueData Sz(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return ValueData{true, REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}
const ValueData kAbsent;
const std::wstring kChoice = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";

std::wstring Describe(const RegStep& s) {
    static const wchar_t* kinds[] = {L"value", L"recreate", L"not restored", L"if empty", L"tree", L"taken over"};
    return std::wstring(kinds[static_cast<int>(s.kind)]) + L" " + s.key + (s.value ? L"|" + s.value->name : L"");
}

std::vector<std::wstring> Describe(const std::vector<RegStep>& steps) {
    std::vector<std::wstring> lines;
    for (const auto& s : steps) lines.push_back(Describe(s));
    return lines;
}

Step MakeStep(Verdict verdict, const std::wstring& name, Item item = Item::File) {
    Step s;
    s.verdict = verdict;
    s.item = item;
    s.name = name;
    return s;
}

}  // namespace

TEST(UndoRules, AValueGoesBackOnlyWhileItHoldsWhatTheInstallationWrote) {
    struct Case { ValueData before, written, current; const wchar_t* key; ValueAction action; };
    const Case cases[] = {
        {Sz(L"theirs"), Sz(L"ours"), Sz(L"ours"), L"K", ValueAction::Restore},
        {kAbsent, Sz(L"ours"), Sz(L"ours"), L"K", ValueAction::Delete},
        {Sz(L"same"), Sz(L"same"), Sz(L"same"), L"K", ValueAction::Nothing},
        {Sz(L"theirs"), Sz(L"ours"), Sz(L"theirs"), L"K", ValueAction::Nothing},
        {kAbsent, Sz(L"ours"), kAbsent, L"K", ValueAction::Nothing},
        {Sz(L"theirs"), Sz(L"ours"), Sz(L"someone's"), L"K", ValueAction::Leave},
        {Sz(L"theirs"), Sz(L"ours"), kAbsent, L"K", ValueAction::Leave},
        {Sz(L"theirs"), Sz(L"ours"), ValueData{true, REG_EXPAND_SZ, Sz(L"ours").bytes}, L"K", ValueAction::Leave},
        {Sz(L"theirs"), kAbsent, kAbsent, L"K", ValueAction::Restore},
        // A user's choice is taken away, never written back.
        {Sz(L"Other.jpg"), Sz(L"Lumiscope.jpg"), Sz(L"Lumiscope.jpg"), kChoice.c_str(), ValueAction::Delete},
        {Sz(L"Other.jpg"), Sz(L"Lumiscope.jpg"), Sz(L"Third.jpg"), kChoice.c_str(), ValueAction::Leave},
    };
    for (const Case& c : cases) {
        record::RecordedValue v{IsUserChoiceKey(Root::CurrentUser, c.key) ? Root::CurrentUser : Root::LocalMachine, c.key,
                                L"n", c.before, c.written};
        EXPECT_EQ(DecideValue(v, c.current), c.action) << &c - cases;
    }
}

TEST(UndoRules, TheProductsOwnKeysAndTheUsersChoicesAreKnownByName) {
    struct Case { Root root; const wchar_t* key; bool product; bool choice; bool entry; };
    const Case cases[] = {
        {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope", true, false, false},
        {Root::LocalMachine, L"software\\classes\\lumiscope.JPG", true, false, false},
        {Root::ClassesRoot, L"Lumiscope.tif", true, false, false},
        {Root::ClassesRoot, L"Applications\\lu_scp64.exe", true, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Classes\\Directory\\shell\\Durchsuchen mit &Lumiscope", true, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Classes\\Drive\\shell\\Durchsuchen mit &Lumiscope", true, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Lumiscope\\Capabilities", true, false, false},
        {Root::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lumiscope64 Setup", true, false, false},
        {Root::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application", false, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64", true, false, true},
        {Root::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64\\x", false, false, true},
        {Root::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope640", false, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.", false, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell", false, false, false},
        {Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", false, false, false},
        {Root::LocalMachine, L"SOFTWARE\\RegisteredApplications", false, false, false},
        {Root::CurrentUser, L"SOFTWARE\\Classes\\Lumiscope", false, false, false},
        {Root::CurrentUser, kChoice.c_str(), false, true, false},
        {Root::LocalMachine, kChoice.c_str(), false, false, false},
        {Root::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\OpenWithList", false, false, false},
        {Root::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.a\\b\\UserChoice", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProductKey(c.root, c.key), c.product) << c.key;
        EXPECT_EQ(IsUserChoiceKey(c.root, c.key), c.choice) << c.key;
        EXPECT_EQ(IsUninstallEntryKey(c.root, c.key), c.entry) << c.key;
    }
}

TEST(UndoRules, RegistryStepsRunBackwardsAndProductKeysGoWhole) {
    record::InstallRecord r;
    const std::wstring entry = kUninstallEntryKey;
    r.createdKeys = {{Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg"},
                     {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell"},
                     {Root::LocalMachine, L"SOFTWARE\\Classes\\.abc"},
                     {Root::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
                     {Root::LocalMachine, entry}};
    r.values = {{Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell", L"", kAbsent, Sz(L"x")},
                {Root::LocalMachine, L"SOFTWARE\\Classes\\.abc", L"", kAbsent, Sz(L"x")},
                {Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"jpegfile"), Sz(L"x")},
                {Root::CurrentUser, kChoice, L"Progid", kAbsent, Sz(L"x")},
                {Root::LocalMachine, entry, L"DisplayName", kAbsent, Sz(L"x")}};
    r.deletedKeys = {{Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon", {}},
                     {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\DefaultIcon", {}},
                     {Root::CurrentUser, kChoice, {}}};
    EXPECT_EQ(Describe(PlanRegistry(r, false, {})),
              (std::vector<std::wstring>{L"value " + kChoice + L"|Progid", L"value SOFTWARE\\Classes\\.jpg|",
                                         L"value SOFTWARE\\Classes\\.abc|", L"not restored " + kChoice,
                                         L"recreate SOFTWARE\\Classes\\Lumiscope\\DefaultIcon",
                                         L"if empty " + kChoice, L"if empty SOFTWARE\\Classes\\.abc",
                                         L"tree SOFTWARE\\Classes\\Lumiscope.jpg"}));
    EXPECT_EQ(Describe(PlanRegistry(r, true, {})),
              (std::vector<std::wstring>{L"tree " + entry,
                                         L"if empty SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}));
    // An entry that was there before goes whole too: it could only name this uninstaller.
    r.createdKeys.pop_back();
    EXPECT_EQ(Describe(PlanRegistry(r, true, {})),
              (std::vector<std::wstring>{L"tree " + entry,
                                         L"if empty SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}));
}

TEST(UndoRules, AProductKeyAnotherInstallationWroteOverIsLeftWhole) {
    record::InstallRecord r;
    const std::wstring entry = kUninstallEntryKey;
    r.createdKeys = {{Root::LocalMachine, L"SOFTWARE\\Lumiscope"}, {Root::LocalMachine, L"SOFTWARE\\Lumiscope\\Capabilities"},
                     {Root::LocalMachine, entry}};
    r.values = {{Root::LocalMachine, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations", L".jpg", kAbsent, Sz(L"x")},
                {Root::ClassesRoot, L"Lumiscope.jpg\\shell\\open\\command", L"", kAbsent, Sz(L"C:\\A")},
                {Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\DefaultIcon", L"", kAbsent, Sz(L"C:\\A,1")},
                {Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", L"", kAbsent, Sz(L"Lumiscope.jpg")},
                {Root::LocalMachine, entry, L"InstallLocation", kAbsent, Sz(L"C:\\A\\")}};
    const std::vector<ProductKeyValues> groups = ValuesByProductKey(r);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].key, L"SOFTWARE\\Lumiscope");
    EXPECT_EQ(groups[1].key, L"SOFTWARE\\Classes\\Lumiscope.jpg");
    EXPECT_EQ(groups[1].values.size(), 2u);
    EXPECT_TRUE(IsTakenOver(groups[1].values, {Sz(L"C:\\B"), Sz(L"C:\\A,1")}));
    EXPECT_FALSE(IsTakenOver(groups[1].values, {Sz(L"C:\\A"), kAbsent}));

    const std::vector<record::RecordedKey> takenOver = {{Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg"},
                                                        {Root::LocalMachine, entry}};
    EXPECT_EQ(Describe(PlanRegistry(r, false, takenOver)),
              (std::vector<std::wstring>{L"taken over SOFTWARE\\Classes\\Lumiscope.jpg", L"value SOFTWARE\\Classes\\.jpg|",
                                         L"tree SOFTWARE\\Lumiscope"}));
    EXPECT_EQ(Describe(PlanRegistry(r, true, takenOver)), (std::vector<std::wstring>{L"taken over " + entry}));
}

TEST(UndoRules, FoldersGoDeepestFirstTheProgramFolderAndItsParentsLast) {
    record::InstallRecord r;
    r.programFolder = L"C:\\T\\Lumiscope\\";
    r.links = {L"C:\\Menu\\Lumiscope\\a.lnk"};
    r.settingsFiles = {L"C:\\AppData\\Lumiscope\\lu_scp64.ini"};
    r.createdFolders = {L"C:\\T\\", L"C:\\T\\Lumiscope\\", L"c:\\t\\lumiscope", L"C:\\T\\Lumiscope\\Plugins\\",
                        L"C:\\T\\Lumiscope\\Plugins\\Plugins32\\", L"C:\\T\\Lumiscope\\Help\\", L"C:\\Menu\\Lumiscope\\",
                        L"C:\\AppData\\Lumiscope\\"};
    const FolderPlan plan = PlanFolders(r);
    EXPECT_EQ(plan.afterLinks, (std::vector<std::wstring>{L"C:\\Menu\\Lumiscope"}));
    EXPECT_EQ(plan.afterFiles, (std::vector<std::wstring>{L"C:\\T\\Lumiscope\\Plugins\\Plugins32", L"C:\\T\\Lumiscope\\Plugins",
                                                          L"C:\\T\\Lumiscope\\Help", L"C:\\AppData\\Lumiscope"}));
    EXPECT_EQ(plan.last, (std::vector<std::wstring>{L"C:\\T\\Lumiscope", L"C:\\T"}));
}

TEST(UndoRules, WhatAFolderStillHoldsIsForeignUnlessAStepNamedIt) {
    const std::vector<Step> steps = {MakeStep(Verdict::KeptByChoice, L"C:\\L\\lu_scp64.ini", Item::Settings),
                                     MakeStep(Verdict::Changed, L"C:\\L\\a.txt"),
                                     MakeStep(Verdict::KeptByChoice, L"C:\\L\\Sub", Item::Folder)};
    EXPECT_EQ(ForeignEntries({L"C:\\L\\A.TXT", L"C:\\L\\mine.txt", L"C:\\L\\lm_install.rec", L"C:\\L\\Sub"}, steps,
                             {L"C:\\L\\lm_install.rec"}),
              (std::vector<std::wstring>{L"C:\\L\\mine.txt"}));
    EXPECT_TRUE(HoldsOnlyKeptByChoice({L"C:\\L\\lu_scp64.ini", L"C:\\L\\Sub\\"}, steps));
    EXPECT_FALSE(HoldsOnlyKeptByChoice({L"C:\\L\\lu_scp64.ini", L"C:\\L\\a.txt"}, steps));
}

TEST(UninstallOptions, ExactNamesAfterTheProgramNameValuesUpToTheNextSlash) {
    struct Case { const wchar_t* line; bool silent; bool purge; const wchar_t* log; bool closeViewer = false; };
    const Case cases[] = {
        {L"lm_uninstall.exe", false, false, L""},
        {L"\"C:\\P F\\lm_uninstall.exe\" /silent /purge", true, true, L""},
        {L"u.exe /silent /closeviewer=1/log=a", true, false, L"a", true},
        {L"u.exe /closeviewer=0 /CLOSEVIEWER=1", false, false, L"", false},
        {L"\"C:\\silent\\purge\\u.exe\"", false, false, L""},
        {L"C:\\x\\u.exe /SILENT /Purge /LOG=a", false, false, L""},
        {L"u.exe /silent/log=C:\\Logs\\u.log/purge", true, true, L"C:\\Logs\\u.log"},
        {L"u.exe /log= \"C:\\My Logs\\u.log\"  /silent", true, false, L"C:\\My Logs\\u.log"},
        {L"u.exe /log=", false, false, L""},
    };
    for (const Case& c : cases) {
        const UninstallOptions o = ParseUninstallOptions(c.line);
        EXPECT_EQ(o.silent, c.silent) << c.line;
        EXPECT_EQ(o.purge, c.purge) << c.line;
        EXPECT_EQ(o.logPath, c.log) << c.line;
        EXPECT_EQ(o.closeViewer, c.closeViewer) << c.line;
    }
}

TEST(UninstallTexts, TheResultNamesUpToEightKeptItemsBelowTheProgramFolder) {
    std::vector<Step> steps = {MakeStep(Verdict::KeptByChoice, L"C:\\A\\lu_scp64.ini", Item::Settings)};
    EXPECT_EQ(ResultMessage(steps, L"C:\\L\\", L"C:\\T\\u.log"),
              L"Lumiscope 4.70 (64-bit) wurde vollständig entfernt.\n\nIhre persönlichen Einstellungen wurden behalten:\n"
              L"C:\\A\\lu_scp64.ini");
    for (int i = 0; i < 10; ++i) steps.push_back(MakeStep(Verdict::Changed, L"C:\\L\\f" + std::to_wstring(i) + L".txt"));
    const std::wstring text = ResultMessage(steps, L"C:\\L\\", L"C:\\T\\u.log");
    EXPECT_NE(text.find(L"\u2022 f0.txt (verändert)\n"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"f7.txt"), std::wstring::npos);
    EXPECT_EQ(text.find(L"f8.txt"), std::wstring::npos);
    EXPECT_NE(text.find(L"\u2022 und 2 weitere"), std::wstring::npos);
    EXPECT_NE(text.find(L"C:\\T\\u.log"), std::wstring::npos);
}
