#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "install/associations.h"
#include "install/registration.h"
#include "support/folders_stand_in.h"

namespace {

using Selection = std::array<int, kAssocSelectionSize>;
using reg::Op;
using reg::Root;
using reg::Write;

constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
const std::wstring kExtensionKeyPrefix = L"SOFTWARE\\Classes\\.";

std::vector<Write> Writes(const Selection& selection, int associate = 0, int versionClass = 10,
                          const std::wstring& folder = L"C:\\Apps\\Lumiscope\\", int thumbnails = 0) {
    return RegistrationWrites(associate, folder, thumbnails, selection, versionClass);
}

Selection Rows(size_t first, size_t last) {
    Selection s{};
    for (size_t i = first; i <= last; ++i) s[i] = 1;
    return s;
}

// Extension keys pointed at a ProgID: ".ext" -> data.
std::vector<std::pair<std::wstring, std::wstring>> ExtensionKeys(const std::vector<Write>& writes) {
    std::vector<std::pair<std::wstring, std::wstring>> keys;
    for (const Write& w : writes)
        if (w.op == Op::SetDefault && w.key.rfind(kExtensionKeyPrefix, 0) == 0)
            keys.emplace_back(w.key.substr(kExtensionKeyPrefix.size() - 1), w.text);
    return keys;
}

std::vector<Write> UserChoices(const std::vector<Write>& writes) {
    std::vector<Write> found;
    for (const Write& w : writes)
        if (w.key.find(L"\\UserChoice") != std::wstring::npos) found.push_back(w);
    return found;
}

const Write* Named(const std::vector<Write>& writes, const std::wstring& key, const std::wstring& name) {
    for (const Write& w : writes)
        if (w.key == key && w.valueName == name && (w.op == Op::SetString || w.op == Op::SetDword)) return &w;
    return nullptr;
}

const Write* DefaultOf(const std::vector<Write>& writes, const std::wstring& key) {
    for (const Write& w : writes)
        if (w.key == key && w.op == Op::SetDefault) return &w;
    return nullptr;
}

size_t CountNoOpenWith(const std::vector<Write>& writes) {
    return std::count_if(writes.begin(), writes.end(), [](const Write& w) {
        return w.valueName == L"NoOpenWith" && w.root == Root::CurrentUser && w.text.empty();
    });
}

}  // namespace

TEST(FileTypeWrites, WithoutSelectionOnlyJpgPngAndTifGetExtensionKeysAndNoUserChoice) {
    auto writes = Writes(Selection{});
    std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L".jpg", L"Lumiscope.jpg"}, {L".png", L"Lumiscope.png"}, {L".tif", L"Lumiscope.tif"}};
    EXPECT_EQ(ExtensionKeys(writes), expected);
    EXPECT_TRUE(UserChoices(writes).empty());
    EXPECT_EQ(CountNoOpenWith(writes), 0u);

    // Every extension is still listed among the capabilities, and every type has its ProgID.
    size_t capabilities = 0;
    std::set<std::wstring> progIds;
    for (const Write& w : writes) {
        if (w.key == L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations" && w.op == Op::SetString) ++capabilities;
        if (w.op == Op::SetDefault && w.key.rfind(L"SOFTWARE\\Classes\\Lumiscope.", 0) == 0 &&
            w.key.find(L'\\', 27) == std::wstring::npos)
            progIds.insert(w.key);
    }
    EXPECT_EQ(capabilities, 87u);
    EXPECT_EQ(progIds.size(), 69u);  // 63 rows plus cr2, cr3, jng, flv, mpe and rmi
}

TEST(FileTypeWrites, JpegRowPointsAllFourExtensionsAndTheirUserChoiceAtOneProgId) {
    Selection selection{};
    selection[23] = 1;
    auto writes = Writes(selection);
    std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L".jpg", L"Lumiscope.jpg"},  {L".jpeg", L"Lumiscope.jpg"}, {L".jfif", L"Lumiscope.jpg"},
        {L".jpe", L"Lumiscope.jpg"},  {L".png", L"Lumiscope.png"},  {L".tif", L"Lumiscope.tif"}};
    EXPECT_EQ(ExtensionKeys(writes), expected);

    auto choices = UserChoices(writes);
    ASSERT_EQ(choices.size(), 4u);
    const wchar_t* extensions[] = {L"jpg", L"jpeg", L"jfif", L"jpe"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(choices[i].op, Op::RecreateString);
        EXPECT_EQ(choices[i].root, Root::CurrentUser);
        EXPECT_EQ(choices[i].key, std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.") +
                                      extensions[i] + L"\\UserChoice");
        EXPECT_EQ(choices[i].valueName, L"Progid");
        EXPECT_EQ(choices[i].text, L"Lumiscope.jpg");
    }
}

TEST(FileTypeWrites, ImageRowsLeaveFlashFontVideoAndAudioExtensionsAlone) {
    auto writes = Writes(Rows(0, kImageRowCount - 1), 1);
    std::set<std::wstring> keyed;
    for (const auto& entry : ExtensionKeys(writes)) keyed.insert(entry.first);
    std::set<std::wstring> chosen;
    for (const Write& w : UserChoices(writes)) chosen.insert(w.key);

    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i)
        for (size_t e = 0; e < rows[i].extensionCount; ++e) {
            std::wstring ext = rows[i].extensions[e].extension;
            bool expected = rows[i].isImage;
            EXPECT_EQ(keyed.count(L"." + ext) == 1, expected) << ext;
            EXPECT_EQ(std::any_of(chosen.begin(), chosen.end(),
                                  [&](const std::wstring& k) { return k.find(L"\\." + ext + L"\\") != std::wstring::npos; }),
                      expected)
                << ext;
        }
}

TEST(FileTypeWrites, MpegRowKeepsMpeOnItsOwnProgIdAndDibSharesBmp) {
    Selection selection{};
    selection[2] = 1;
    selection[53] = 1;
    auto keys = ExtensionKeys(Writes(selection));
    auto has = [&](const wchar_t* ext, const wchar_t* progId) {
        return std::find(keys.begin(), keys.end(), std::make_pair(std::wstring(ext), std::wstring(progId))) != keys.end();
    };
    EXPECT_TRUE(has(L".bmp", L"Lumiscope.bmp"));
    EXPECT_TRUE(has(L".dib", L"Lumiscope.bmp"));
    EXPECT_TRUE(has(L".mpg", L"Lumiscope.mpg"));
    EXPECT_TRUE(has(L".mpeg", L"Lumiscope.mpg"));
    EXPECT_TRUE(has(L".mpe", L"Lumiscope.mpe"));
}

TEST(FileTypeWrites, ProgIdTextsIconsAndTheAlwaysAssociatedExtensions) {
    auto writes = Writes(Selection{});
    const std::wstring viewer = L"C:\\Apps\\Lumiscope\\lu_scp64.exe";
    auto icon = [&](const wchar_t* type) {
        const Write* w = DefaultOf(writes, std::wstring(L"SOFTWARE\\Classes\\Lumiscope.") + type + L"\\DefaultIcon");
        return w ? w->text : L"<missing>";
    };
    EXPECT_EQ(icon(L"ico"), L"%1");
    EXPECT_EQ(icon(L"cur"), L"%1");
    EXPECT_EQ(icon(L"avi"), viewer + L",9");
    EXPECT_EQ(icon(L"wav"), viewer + L",8");
    EXPECT_EQ(icon(L"swf"), viewer + L",0");
    EXPECT_EQ(icon(L"ttf"), viewer + L",0");

    const Write* name = DefaultOf(writes, L"SOFTWARE\\Classes\\Lumiscope.djvu");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text, L"Lumiscope DJVU File");
    const Write* command = DefaultOf(writes, L"SOFTWARE\\Classes\\Lumiscope.mp3\\shell\\open\\command");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text, L"\"" + viewer + L"\" \"%1\"");
    const Write* capability = Named(writes, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations", L".dib");
    ASSERT_NE(capability, nullptr);
    EXPECT_EQ(capability->text, L"Lumiscope.bmp");
    EXPECT_EQ(capability->open, reg::Open::SetValue);  // never creates the key

    EXPECT_TRUE(IsAlwaysAssociated(L"JPG"));
    EXPECT_TRUE(IsAlwaysAssociated(L"Tif"));
    EXPECT_FALSE(IsAlwaysAssociated(L"jpeg"));
    EXPECT_FALSE(IsAlwaysAssociated(L"tiff"));
    EXPECT_FALSE(IsAlwaysAssociated(L"pn"));
    EXPECT_EQ(FriendlyTypeName(L"j\u00e4x2"), L"Lumiscope J\u00e4X2 File");  // only a to z are raised
}

TEST(FileTypeWrites, NoOpenWithOnlyOnWindowsTenWithAssociate) {
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 1, 10)), 5u);
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 1, 11)), 0u);
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 1, 8)), 0u);
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 1, 7)), 0u);
    EXPECT_EQ(CountNoOpenWith(Writes(Rows(0, 0), 0, 10)), 0u);
    auto writes = NoOpenWithWrites();
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(writes[0].key, L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg");
    EXPECT_EQ(writes[4].key, L"SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h");
    EXPECT_EQ(writes[0].open, reg::Open::Create);
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
    auto text = [&](const wchar_t* name) {
        const Write* w = Named(writes, kUninstall, name);
        return w && w->op == Op::SetString ? w->text : L"<missing>";
    };
    auto number = [&](const wchar_t* name) {
        const Write* w = Named(writes, kUninstall, name);
        return w && w->op == Op::SetDword ? w->number : 0xFFFFFFFFu;
    };
    EXPECT_EQ(text(L"DisplayName"), L"Lumiscope 4.70 (64-bit)");
    EXPECT_EQ(text(L"DisplayVersion"), L"4.70");
    EXPECT_EQ(text(L"UninstallString"), L"\"D:\\Viewer\\lm_uninstall.exe\"");
    EXPECT_EQ(text(L"InstallLocation"), L"D:\\Viewer\\");
    EXPECT_EQ(text(L"DisplayIcon"), L"D:\\Viewer\\lu_scp64.exe,0");
    EXPECT_EQ(text(L"Publisher"), L"Brannholt");
    EXPECT_EQ(number(L"VersionMajor"), 4u);
    EXPECT_EQ(number(L"VersionMinor"), 70u);
    EXPECT_EQ(number(L"EstimatedSize"), 8192u);
    EXPECT_EQ(Named(writes, kUninstall, L"DisplayName")->open, reg::Open::AllAccess);
}

TEST(ApplicationWrites, OrderHiveAndTheThumbnailsVerb) {
    auto without = Writes(Selection{});
    // Rows 5 to 24 come first when there is no verb; the key the file types fill exists before them.
    ASSERT_GE(without.size(), 20u);
    EXPECT_EQ(without[0].key, L"SOFTWARE\\Classes\\Lumiscope");
    EXPECT_EQ(without[2].op, Op::DeleteKey);
    EXPECT_EQ(without[2].key, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon");
    EXPECT_EQ(without[3].root, Root::ClassesRoot);
    EXPECT_EQ(without[3].key, L"Applications\\lu_scp64.exe\\shell\\open\\command");
    EXPECT_EQ(without[4].valueName, L"FriendlyAppName");
    EXPECT_EQ(without[5].key, kUninstall);
    EXPECT_EQ(without[15].op, Op::CreateKey);
    EXPECT_EQ(without[15].key, L"SOFTWARE\\Lumiscope");
    EXPECT_EQ(without[16].text, L"\"C:\\Apps\\Lumiscope\\lu_scp64.exe\"");
    EXPECT_EQ(without[18].op, Op::CreateKey);
    EXPECT_EQ(without[18].key, L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations");
    EXPECT_EQ(without[19].key, L"SOFTWARE\\RegisteredApplications");
    EXPECT_EQ(without[19].text, L"SOFTWARE\\Lumiscope\\Capabilities");
    for (const Write& w : without) {
        EXPECT_EQ(w.key.find(L"\\shell\\Durchsuchen"), std::wstring::npos);
        if (w.root == Root::CurrentUser) ADD_FAILURE() << "nothing per user without a selection";
    }

    auto with = Writes(Selection{}, 0, 10, L"C:\\Apps\\Lumiscope\\", 1);
    ASSERT_EQ(with.size(), without.size() + 4);
    EXPECT_EQ(with[0].key, L"SOFTWARE\\Classes\\Directory\\shell\\Durchsuchen mit &Lumiscope");
    EXPECT_EQ(with[0].text, L"Durchsuchen mit &Lumiscope");
    EXPECT_EQ(with[3].key, L"SOFTWARE\\Classes\\Drive\\shell\\Durchsuchen mit &Lumiscope\\command");
    EXPECT_EQ(with[3].text, L"\"C:\\Apps\\Lumiscope\\lu_scp64.exe\" \"%1\" /thumbs");
}
