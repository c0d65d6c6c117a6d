#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "install/install_places.h"
#include "install/registry/associations.h"
#include "install/registry/registration.h"
#include "install/registry/registration_places.h"

namespace {

using Selection = std::array<int, kAssocSelectionSize>;
using reg::Op;
using reg::Root;
using reg::Write;
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

const std::wstring kClasses = L"SOFTWARE\\Classes\\";
const std::wstring kViewer = L"C:\\L\\lu_scp64.exe";

std::vector<Write> Writes(const Selection& selection, int associate = 0, int versionClass = 10,
                          const std::wstring& folder = L"C:\\L\\", int thumbnails = 0) {
    return RegistrationWrites(associate, folder, thumbnails, selection, versionClass);
}

Selection Rows(size_t first, size_t last) {
    Selection s{};
    for (size_t i = first; i <= last; ++i) s[i] = 1;
    return s;
}

// Extension keys pointed at a ProgID (".ext", ProgID) and the user choices (".ext", ProgID).
Pairs ExtensionKeys(const std::vector<Write>& writes) {
    Pairs keys;
    for (const Write& w : writes)
        if (w.op == Op::SetDefault && w.key.rfind(kClasses + L".", 0) == 0) keys.emplace_back(w.key.substr(kClasses.size()), w.text);
    return keys;
}

Pairs UserChoices(const std::vector<Write>& writes) {
    const std::wstring prefix = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
    Pairs choices;
    for (const Write& w : writes)
        if (w.op == Op::RecreateString && w.root == Root::CurrentUser && w.key.rfind(prefix, 0) == 0 &&
            w.valueName == L"Progid")
            choices.emplace_back(w.key.substr(prefix.size(), w.key.size() - prefix.size() - 11), w.text);
    return choices;
}

std::wstring Value(const std::vector<Write>& writes, const std::wstring& key, const std::wstring& name = L"") {
    for (const Write& w : writes)
        if (w.key == key && w.valueName == name && w.op != Op::DeleteKey && w.op != Op::CreateKey)
            return w.op == Op::SetDword ? std::to_wstring(w.number) : w.text;
    return L"<missing>";
}

size_t CountNoOpenWith(const std::vector<Write>& writes) {
    return std::count_if(writes.begin(), writes.end(), [](const Write& w) {
        return w.valueName == L"NoOpenWith" && w.root == Root::CurrentUser && w.open == reg::Open::Create;
    });
}

}  // namespace

TEST(FileTypeWrites, WithoutSelectionOnlyJpgPngAndTifGetExtensionKeys) {
    auto writes = Writes(Selection{});
    EXPECT_EQ(ExtensionKeys(writes), (Pairs{{L".jpg", L"Lumiscope.jpg"}, {L".png", L"Lumiscope.png"}, {L".tif", L"Lumiscope.tif"}}));
    EXPECT_TRUE(UserChoices(writes).empty());
    for (const Write& w : writes) EXPECT_NE(w.root, Root::CurrentUser) << w.key;

    // Still every extension among the capabilities, and every type name with its ProgID.
    size_t capabilities = std::count_if(writes.begin(), writes.end(), [](const Write& w) {
        return w.key == L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations" && w.op == Op::SetString;
    });
    std::set<std::wstring> progIds;
    for (const Write& w : writes)
        if (w.key.rfind(kClasses + L"Lumiscope.", 0) == 0) progIds.insert(w.key.substr(0, w.key.find(L'\\', 27)));
    EXPECT_EQ(capabilities, 87u);
    EXPECT_EQ(progIds.size(), 69u);  // 63 rows plus cr2, cr3, jng, flv, mpe and rmi
}

TEST(FileTypeWrites, JpegRowPointsAllFourExtensionsAndTheirUserChoiceAtOneProgId) {
    auto writes = Writes(Rows(23, 23));
    const Pairs jpeg = {{L".jpg", L"Lumiscope.jpg"}, {L".jpeg", L"Lumiscope.jpg"}, {L".jfif", L"Lumiscope.jpg"},
                        {L".jpe", L"Lumiscope.jpg"}};
    Pairs keys = jpeg;
    keys.insert(keys.end(), {{L".png", L"Lumiscope.png"}, {L".tif", L"Lumiscope.tif"}});
    EXPECT_EQ(ExtensionKeys(writes), keys);
    EXPECT_EQ(UserChoices(writes), jpeg);
}

TEST(FileTypeWrites, ImageRowsLeaveFlashFontVideoAndAudioExtensionsAlone) {
    auto writes = Writes(Rows(0, kImageRowCount - 1), 1);
    std::set<std::wstring> keyed, chosen;
    for (const auto& entry : ExtensionKeys(writes)) keyed.insert(entry.first);
    for (const auto& entry : UserChoices(writes)) chosen.insert(entry.first);
    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i)
        for (size_t e = 0; e < rows[i].extensionCount; ++e) {
            const std::wstring ext = std::wstring(L".") + rows[i].extensions[e].extension;
            EXPECT_EQ(keyed.count(ext), rows[i].isImage ? 1u : 0u) << ext;
            EXPECT_EQ(chosen.count(ext), rows[i].isImage ? 1u : 0u) << ext;
        }
}

TEST(FileTypeWrites, ProgIdNameCommandIconAndCapability) {
    auto writes = Writes(Selection{});
    auto icon = [&](const wchar_t* type) { return Value(writes, kClasses + L"Lumiscope." + type + L"\\DefaultIcon"); };
    EXPECT_EQ(icon(L"ico"), L"%1");
    EXPECT_EQ(icon(L"avi"), kViewer + L",9");
    EXPECT_EQ(icon(L"wav"), kViewer + L",8");
    EXPECT_EQ(icon(L"swf"), kViewer + L",0");
    EXPECT_EQ(icon(L"ttf"), kViewer + L",0");
    EXPECT_EQ(Value(writes, kClasses + L"Lumiscope.djvu"), L"Lumiscope DJVU File");
    EXPECT_EQ(Value(writes, kClasses + L"Lumiscope.mp3\\shell\\open\\command"), L"\"" + kViewer + L"\" \"%1\"");
    EXPECT_EQ(Value(writes, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations", L".dib"), L"Lumiscope.bmp");
    EXPECT_EQ(Value(writes, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations", L".mpe"), L"Lumiscope.mpe");
    EXPECT_EQ(CapabilityAssociationWrite(L"qoi", L"qoi").open, reg::Open::SetValue);  // never creates the key

    EXPECT_EQ(FriendlyTypeName(L"j\u00e4x2"), L"Lumiscope J\u00e4X2 File");  // only a to z are raised
    EXPECT_TRUE(IsAlwaysAssociated(L"Tif"));
    EXPECT_FALSE(IsAlwaysAssociated(L"tiff"));
    EXPECT_FALSE(IsAlwaysAssociated(L"jpeg"));
}

TEST(FileTypeWrites, NoOpenWithOnlyOnWindowsTenWithAssociate) {
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 1, 10)), 5u);
    for (int versionClass : {11, 8, 7}) EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 1, versionClass)), 0u);
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 0, 10)), 0u);
    EXPECT_EQ(NoOpenWithWrites().front().key, L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg");
}

TEST(ApplicationWrites, TrailingBlanksAndAMissingBackslashGiveTheSameEntries) {
    auto reference = Writes(Rows(0, 5), 1, 10, L"D:\\Viewer\\", 1);
    EXPECT_EQ(Writes(Rows(0, 5), 1, 10, L"D:\\Viewer", 1), reference);
    EXPECT_EQ(Writes(Rows(0, 5), 1, 10, L"D:\\Viewer   ", 1), reference);
    EXPECT_EQ(Writes(Rows(0, 5), 1, 10, L"  D:\\Viewer\\  ", 1), reference);
    EXPECT_NE(Writes(Rows(0, 5), 1, 10, L"D:\\Viewer2", 1), reference);
}

TEST(ApplicationWrites, UninstallEntry) {
    auto writes = Writes(Selection{}, 0, 10, L"D:\\Viewer  ");
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
    EXPECT_EQ(Value(writes, key, L"DisplayName"), L"Lumiscope 4.70 (64-bit)");
    EXPECT_EQ(Value(writes, key, L"DisplayVersion"), L"4.70");
    EXPECT_EQ(Value(writes, key, L"UninstallString"), L"\"D:\\Viewer\\lm_uninstall.exe\"");
    EXPECT_EQ(Value(writes, key, L"QuietUninstallString"), L"\"D:\\Viewer\\lm_uninstall.exe\" /silent");
    EXPECT_EQ(Value(writes, key, L"InstallLocation"), L"D:\\Viewer\\");
    EXPECT_EQ(Value(writes, key, L"DisplayIcon"), L"D:\\Viewer\\lu_scp64.exe,0");
    EXPECT_EQ(Value(writes, key, L"VersionMajor"), L"4");
    EXPECT_EQ(Value(writes, key, L"VersionMinor"), L"70");
    EXPECT_EQ(Value(writes, key, L"EstimatedSize"), L"8192");
    EXPECT_EQ(Value(writes, key, L"NoModify"), L"1");
    EXPECT_EQ(Value(writes, key, L"NoRepair"), L"1");
    const std::wstring date = Value(writes, key, L"InstallDate");
    EXPECT_EQ(date.size(), 8u);
    EXPECT_EQ(date.find_first_not_of(L"0123456789"), std::wstring::npos);
    EXPECT_TRUE(date.compare(0, 2, L"20") == 0) << "yyyymmdd";
    EXPECT_TRUE(reg::RegistrationPlaces(MachinePlaces()).HoldsValue(Root::LocalMachine, key, L"InstallDate"));
    EXPECT_TRUE(reg::RegistrationPlaces(MachinePlaces()).HoldsValue(Root::LocalMachine, key, L"NoRepair"));
}

// The event source goes with the tables, so record, undo and repair know its place; its
// message file is the installed uninstaller.
TEST(ApplicationWrites, EventSourceOfBothPrograms) {
    auto writes = Writes(Selection{}, 0, 10, L"D:\\Viewer  ");
    const std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lumiscope64 Setup";
    EXPECT_EQ(Value(writes, key, L"EventMessageFile"), L"D:\\Viewer\\lm_uninstall.exe");
    EXPECT_EQ(Value(writes, key, L"TypesSupported"), L"7");
    const reg::RegistrationPlaces places(MachinePlaces());
    EXPECT_TRUE(places.HoldsValue(Root::LocalMachine, key, L"EventMessageFile"));
    EXPECT_TRUE(places.HoldsKey(Root::LocalMachine, key));
    EXPECT_FALSE(places.HoldsValue(Root::LocalMachine, key, L"CategoryMessageFile"));
}

TEST(ApplicationWrites, OrderAndTheThumbnailsVerb) {
    auto without = Writes(Selection{});
    // The key the file types only open is created before the first of them.
    auto created = std::find_if(without.begin(), without.end(), [](const Write& w) {
        return w.op == Op::CreateKey && w.key == L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations";
    });
    auto firstType = std::find_if(without.begin(), without.end(),
                                  [](const Write& w) { return w.key.find(L"Lumiscope.") != std::wstring::npos; });
    EXPECT_LT(created, firstType);
    EXPECT_EQ(without[0].key, L"SOFTWARE\\Classes\\Lumiscope");
    EXPECT_EQ(without[3].root, Root::LocalMachine);
    EXPECT_EQ(without[3].key, L"SOFTWARE\\Classes\\Applications\\lu_scp64.exe\\shell\\open\\command");

    auto with = Writes(Selection{}, 0, 10, L"C:\\L\\", 1);
    ASSERT_EQ(with.size(), without.size() + 4);
    EXPECT_EQ(with[0].key, L"SOFTWARE\\Classes\\Directory\\shell\\Durchsuchen mit &Lumiscope");
    EXPECT_EQ(with[0].text, L"Durchsuchen mit &Lumiscope");
    EXPECT_EQ(with[3].key, L"SOFTWARE\\Classes\\Drive\\shell\\Durchsuchen mit &Lumiscope\\command");
    EXPECT_EQ(with[3].text, L"\"" + kViewer + L"\" \"%1\" /thumbs");
}
