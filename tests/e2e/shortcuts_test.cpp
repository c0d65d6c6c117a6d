#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "win/platform.h"
#include "install/registry/registration.h"
#include "install/links/link_text.h"
#include "install/links/shortcuts.h"
#include "install/recovery/transaction.h"
#include "support/scratch_registry.h"
#include "win/unique_handle.h"

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kInstall[] = L"C:\\Apps\\Lumiscope\\";
constexpr wchar_t kViewer[] = L"C:\\Apps\\Lumiscope\\lu_scp64.exe";

struct LinkInfo {
    bool loaded = false;
    std::wstring target, arguments, iconPath, description;
    int iconIndex = -1;
};

LinkInfo ReadLink(const std::wstring& path) {
    LinkInfo info;
    win::ComInit com;
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return info;
    wchar_t text[1024] = {};
    link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
    info.target = text;
    text[0] = 0;
    link->GetArguments(text, 1024);
    info.arguments = text;
    text[0] = 0;
    link->GetIconLocation(text, 1024, &info.iconIndex);
    info.iconPath = text;
    text[0] = 0;
    link->GetDescription(text, 1024);
    info.description = text;
    info.loaded = true;
    return info;
}

// The link reads back with exactly these properties (the index only where an icon is set).
void ExpectLink(const std::wstring& path, const std::wstring& target, const std::wstring& arguments,
                const std::wstring& iconPath, int iconIndex, const std::wstring& description) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    LinkInfo link = ReadLink(path);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.arguments, arguments);
    EXPECT_EQ(link.iconPath, iconPath);
    if (!iconPath.empty()) {
        EXPECT_EQ(link.iconIndex, iconIndex);
    }
    EXPECT_EQ(link.description, description);
}

std::set<std::wstring> FilesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(folder), ec)) names.insert(entry.path().filename().wstring());
    return names;
}

void TouchFile(const std::wstring& path) {
    win::File file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// The real special folders of the prefix; the test's links are removed before and after.
class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override { CleanUp(); }
    void TearDown() override {
        CleanUp();
        SetWindowsVersionClassForTesting(0);
    }

    static std::wstring Group(int allUsers) { return SpecialFolderPath(ProgramsFolderCsidl(allUsers)) + L"Lumiscope\\"; }
    static std::wstring Desktop(int allUsers) { return SpecialFolderPath(DesktopFolderCsidl(allUsers)); }

    static void CleanUp() {
        std::error_code ec;
        for (int allUsers : {0, 1}) {
            fs::remove_all(fs::path(Group(allUsers)), ec);
            for (const wchar_t* name : {L"Lumiscope 64.lnk", L"Lumiscope 64 Thumbnails.lnk"})
                ::DeleteFileW((Desktop(allUsers) + name).c_str());
        }
    }

    static std::set<std::wstring> GroupLinkNames(int versionClass) {
        std::set<std::wstring> names;
        for (const auto& link : StartMenuGroupLinks(kInstall, versionClass)) names.insert(link.fileName);
        return names;
    }
};

}  // namespace

TEST_F(Shortcuts, CurrentUserGroupHoldsNineLinksWithTheirTargets) {
    SetWindowsVersionClassForTesting(10);
    CreateStartMenuGroup(kInstall, 0);

    const std::wstring group = Group(0);
    EXPECT_EQ(FilesIn(group), GroupLinkNames(10));
    EXPECT_FALSE(fs::exists(fs::path(Group(1))));

    ExpectLink(group + L"Lumiscope 64 4.70.lnk", kViewer, L"", L"", 0, L"");
    ExpectLink(group + L"Lumiscope - Thumbnails.lnk", kViewer, L"/thumbs", kViewer, 7, L"");
    EXPECT_EQ(ReadLink(group + L"Verfügbare PlugIns.lnk").target, L"C:\\Apps\\Lumiscope\\l_plugins.txt");
}

TEST_F(Shortcuts, AllUsersGroupOnWindowsEightHasNoUninstallLink) {
    SetWindowsVersionClassForTesting(8);
    CreateStartMenuGroup(kInstall, 1);

    auto names = FilesIn(Group(1));
    EXPECT_EQ(names.size(), 8u);
    EXPECT_EQ(names.count(L"Lumiscope deinstallieren.lnk"), 0u);
    EXPECT_FALSE(fs::exists(fs::path(Group(0))));
}

TEST_F(Shortcuts, OlderVersionsGoAndASecondRunLeavesOneLinkPerName) {
    SetWindowsVersionClassForTesting(7);
    const std::wstring group = Group(0);
    fs::create_directories(fs::path(group));
    for (const wchar_t* old : {L"Lumiscope 64 4.67.lnk", L"Lumiscope 64 4.66.lnk", L"Lumiscope 64 4.68.lnk"})
        TouchFile(group + old);

    // As an installation does it: earlier links are set aside until the transaction completes.
    for (int run = 0; run < 2; ++run) {
        txn::Transaction transaction;
        ScopedJournal writingAhead(transaction);
        transaction.BeginInMemory(kInstall);
        CreateStartMenuGroup(kInstall, 0);
        transaction.Commit();
        transaction.Complete();
    }

    auto expected = GroupLinkNames(7);
    expected.insert(L"Lumiscope 64 4.68.lnk");
    EXPECT_EQ(FilesIn(group), expected);
    EXPECT_TRUE(ReadLink(group + L"Lumiscope 64 4.70.lnk").loaded);
}

// Desktop links come from the registration step itself; its registry writes go to scratch keys.
TEST_F(Shortcuts, DesktopLinksFollowTheAllUsersChoice) {
    for (int allUsers : {0, 1}) {
        SCOPED_TRACE(allUsers);
        const std::wstring desktop = Desktop(allUsers);
        const std::wstring other = Desktop(!allUsers);
        {
            testsupport::ScratchRegistry scratch(L"desktop", false);
            RegisterViewer(0, L"C:\\Apps\\Lumiscope", 0, 1, 1, allUsers, {});
            EXPECT_EQ(testsupport::ReadString(scratch.machine(),
                                              L"SOFTWARE\\Classes\\Directory\\shell\\Durchsuchen mit &Lumiscope\\command",
                                              nullptr),
                      std::wstring(L"\"") + kViewer + L"\" \"%1\" /thumbs");
        }
        ExpectLink(desktop + L"Lumiscope 64.lnk", kViewer, L"", L"", 0, L"Lumiscope 64 - Bildbetrachter");
        ExpectLink(desktop + L"Lumiscope 64 Thumbnails.lnk", kViewer, L"/thumbs", kViewer, 7, L"Lumiscope - Thumbnails");

        EXPECT_FALSE(fs::exists(fs::path(other + L"Lumiscope 64.lnk")));
        EXPECT_FALSE(fs::exists(fs::path(Group(allUsers)))) << "no group without its choice";
        CleanUp();
    }
}

namespace {

// Saves the link as an installation does, in a transaction of its own.
void SaveAsInstalled(const std::wstring& path) {
    txn::Transaction transaction;
    ScopedJournal writingAhead(transaction);
    transaction.BeginInMemory(kInstall);
    EXPECT_EQ(SaveShellLink(path, kViewer, L"/thumbs", kViewer, 7, L"Lumiscope - Thumbnails"), 1);
    transaction.Commit();
    transaction.Complete();
}

// Loads the link file, changes it through the shell's link object and saves it in place.
void ChangeLink(const std::wstring& path, const std::function<void(IShellLinkW*)>& change) {
    win::ComInit com;
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put())) &&
                SUCCEEDED(file->Load(path.c_str(), STGM_READ)));
    change(link.get());
    ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

uint64_t FileNumber(const std::wstring& path) {
    win::File file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) return 0;
    return (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

std::string Bytes(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// A second run leaves a link alone only when it says exactly what would be written; one that
// starts the viewer in another way is written again.
TEST_F(Shortcuts, ALinkIsLeftAloneOnlyWhenItSaysWhatWouldBeWritten) {
    const std::wstring path = Desktop(0) + L"Lumiscope 64 Thumbnails.lnk";
    const struct {
        const char* name;
        std::function<void(IShellLinkW*)> change;
        bool kept;
    } cases[] = {
        {"as written", [](IShellLinkW*) {}, true},
        {"other arguments", [](IShellLinkW* l) { l->SetArguments(L"/slideshow"); }, false},
        {"other icon", [](IShellLinkW* l) { l->SetIconLocation(kViewer, 8); }, false},
        {"minimized", [](IShellLinkW* l) { l->SetShowCmd(SW_SHOWMINNOACTIVE); }, false},
        {"working folder", [](IShellLinkW* l) { l->SetWorkingDirectory(L"C:\\"); }, false},
        {"hot key", [](IShellLinkW* l) { l->SetHotkey(MAKEWORD('L', HOTKEYF_CONTROL | HOTKEYF_ALT)); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveAsInstalled(path);
        ChangeLink(path, c.change);
        const uint64_t before = FileNumber(path);
        ASSERT_NE(before, 0u);
        SaveAsInstalled(path);
        EXPECT_EQ(FileNumber(path) == before, c.kept);
        ExpectLink(path, kViewer, L"/thumbs", kViewer, 7, L"Lumiscope - Thumbnails");
        links::LinkText text;
        EXPECT_TRUE(links::ReadPlainLink(Bytes(path), text));
    }
}

// Damaged bytes are never read past their end, and never say another target.
TEST_F(Shortcuts, ACutLinkIsNotReadPastItsEnd) {
    const std::wstring path = Desktop(0) + L"Lumiscope 64 Thumbnails.lnk";
    SaveAsInstalled(path);
    const std::string bytes = Bytes(path);
    links::LinkText whole;
    ASSERT_TRUE(links::ReadPlainLink(bytes, whole));
    EXPECT_EQ(whole.target, "C:\\Apps\\Lumiscope\\lu_scp64.exe");
    EXPECT_EQ(whole.arguments, L"/thumbs");
    for (size_t n = 0; n < bytes.size(); ++n) {
        links::LinkText part;
        // A copy of its own, so that a read past the cut lands outside the string's memory.
        const std::string cut(bytes, 0, n);
        if (links::ReadPlainLink(cut, part)) EXPECT_EQ(part.target + "|" + std::string(part.arguments.begin(), part.arguments.end()),
                                                       whole.target + "|/thumbs") << n;
    }
}
