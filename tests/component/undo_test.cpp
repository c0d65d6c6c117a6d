#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <zlib.h>

#include <algorithm>

#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "install/record/record_file.h"
#include "uninstall/undo.h"
#include "win/unique_handle.h"

using namespace enginetest;
using record::InstallRecord;
using record::ValueData;
using reg::Root;
using testsupport::ReadString;
using testsupport::ScratchRegistry;
using undo::Item;
using undo::Step;
using undo::Verdict;

namespace {

const std::wstring kUserChoice = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";

ValueData Sz(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return ValueData{true, REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}

ValueData Current(Root root, const std::wstring& key, const std::wstring& name) {
    ValueData data;
    DWORD type = 0;
    if (testsupport::ReadValue(reg::RootKey(root), key, name.empty() ? nullptr : name.c_str(), type, data.bytes)) {
        data.exists = true;
        data.type = type;
    }
    return data;
}

void Put(Root root, const std::wstring& key, const std::wstring& name, const ValueData& data) {
    HKEY k = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(reg::RootKey(root), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), 0);
    ::RegSetValueExW(k, name.c_str(), 0, data.type, data.bytes.data(), static_cast<DWORD>(data.bytes.size()));
    ::RegCloseKey(k);
}

void SaveLink(const std::wstring& path, const std::wstring& target) {
    win::ComInit com;
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())));
    link->SetPath(target.c_str());
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put())));
    ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

// Does what an installation does and writes down what it found before, as the setup's record does.
class FakeInstallation {
public:
    explicit FakeInstallation(const std::wstring& program) { r.programFolder = program + L"\\"; }

    void Folder(const std::wstring& path) {
        ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
        r.createdFolders.push_back(path + L"\\");
    }
    void File(const std::wstring& relative, const std::string& bytes) {
        WriteBytes(r.programFolder + relative, bytes);
        uint32_t crc = ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
        r.files.push_back({relative, bytes.size(), crc});
    }
    void Link(const std::wstring& path) {
        WriteBytes(path, "link");
        r.links.push_back(path);
    }
    void Settings(const std::wstring& path, const std::string& bytes) {
        WriteBytes(path, bytes);
        r.settingsFiles.push_back(path);
    }
    // Every missing level of the key counts as created, parents first.
    void Value(Root root, const std::wstring& key, const std::wstring& name, const ValueData& data) {
        for (size_t end = 0; end != std::wstring::npos;) {
            end = key.find(L'\\', end + 1);
            const std::wstring level = key.substr(0, end);
            if (!testsupport::KeyExists(reg::RootKey(root), level)) r.createdKeys.push_back({root, level});
        }
        r.values.push_back({root, key, name, Current(root, key, name), data});
        Put(root, key, name, data);
    }
    void DeleteKey(Root root, const std::wstring& key, const std::vector<std::wstring>& names) {
        record::DeletedKey deleted{root, key, {}};
        for (const auto& name : names) deleted.values.push_back({name, Current(root, key, name)});
        r.deletedKeys.push_back(deleted);
        ASSERT_EQ(::RegDeleteKeyW(reg::RootKey(root), key.c_str()), 0);
    }

    InstallRecord r;
};

class Undo : public ::testing::Test {
protected:
    ScratchFolder scratch;
    ScratchRegistry registry{L"undo"};
    std::wstring program = scratch / L"Root\\Lumiscope";
    std::wstring group = scratch / L"Menu\\Lumiscope";
    std::wstring appData = scratch / L"AppData\\Lumiscope";
    std::wstring entry = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
    FakeInstallation install{program};
    std::vector<std::wstring> registryBefore;

    // What was there before: another program's type for .jpg, the user's choice, an icon key.
    void SetUp() override {
        std::filesystem::create_directories(scratch / L"Menu");
        std::filesystem::create_directories(scratch / L"AppData");
        Put(Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"jpegfile"));
        Put(Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.old\\DefaultIcon", L"", Sz(L"old.ico"));
        Put(Root::CurrentUser, kUserChoice, L"Progid", Sz(L"Other.jpg"));
        Put(Root::LocalMachine, L"SOFTWARE\\RegisteredApplications", L"Other", Sz(L"x"));
        registryBefore = registry.Dump();
        Install();
    }

    void Install() {
        install.Folder(scratch / L"Root");
        install.Folder(program);
        install.Folder(program + L"\\Help");
        install.File(L"lu_scp64.exe", "viewer");
        install.File(L"Help\\liesmich.txt", "help text");
        install.File(L"lm_uninstall.exe", "uninstaller");
        install.Folder(group);
        install.Link(group + L"\\Lumiscope 64 4.70.lnk");
        install.Folder(appData);
        install.Settings(appData + L"\\lu_scp64.ini", "[Language]\r\nLang=Deutsch\r\n");
        install.Settings(program + L"\\lu_scp64.ini", "[Others]\r\nINI_Folder=%APPDATA%\\Lumiscope\r\n");
        install.Value(Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"Lumiscope.jpg"));
        install.Value(Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell\\open\\command", L"", Sz(L"v \"%1\""));
        install.Value(Root::LocalMachine, L"SOFTWARE\\Classes\\.abc", L"", Sz(L"Lumiscope.abc"));
        install.DeleteKey(Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.old\\DefaultIcon", {L""});
        install.Value(Root::ClassesRoot, L"Applications\\lu_scp64.exe", L"FriendlyAppName", Sz(L"Lumiscope 64-bit"));
        install.Value(Root::LocalMachine, L"SOFTWARE\\RegisteredApplications", L"Lumiscope", Sz(L"caps"));
        install.DeleteKey(Root::CurrentUser, kUserChoice, {L"Progid"});
        install.Value(Root::CurrentUser, kUserChoice, L"Progid", Sz(L"Lumiscope.jpg"));
        install.Value(Root::LocalMachine, entry, L"DisplayName", Sz(L"Lumiscope 4.70 (64-bit)"));
        install.Value(Root::LocalMachine, entry, L"InstallLocation", Sz(program + L"\\"));
        WriteBytes(record::RecordPathIn(program), record::FormatRecord(install.r));
        // The viewer keeps something of its own below its ProgID, which goes with it.
        Put(Root::LocalMachine, L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell\\edit", L"", Sz(L"e"));
    }

    std::vector<Step> Run() { return undo::UndoInstallation(install.r, undo::UndoOptions(), nullptr); }

    // The user's choice that the installation replaced is gone, not restored.
    static std::vector<std::wstring> WithoutUserChoices(std::vector<std::wstring> lines) {
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::wstring& l) { return l.find(L"FileExts") != std::wstring::npos; }),
                    lines.end());
        return lines;
    }
};

}  // namespace

TEST_F(Undo, TakesEverythingAwayAndPutsBackWhatWasThere) {
    const std::vector<Step> steps = Run();
    EXPECT_EQ(undo::ExitCodeFor(steps), 0);
    EXPECT_EQ(WithoutUserChoices(registry.Dump()), WithoutUserChoices(registryBefore));
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, kUserChoice));
    EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg"));

    // Of the files, only the user's settings remain, with the folder that holds them; the
    // program folder's file that only pointed to them goes.
    EXPECT_FALSE(Exists(scratch / L"Root"));
    EXPECT_FALSE(Exists(group));
    EXPECT_TRUE(Exists(scratch / L"Menu"));
    EXPECT_TRUE(Exists(appData + L"\\lu_scp64.ini"));
    EXPECT_EQ(steps.back().item, Item::Folder);
    EXPECT_EQ(steps.back().name, scratch / L"Root");
}

// Another program's association, the user's own link and values, and an installation into
// another folder that has since taken over the registration and the link: all stay.
TEST_F(Undo, WhatOthersChangedOrTookOverSinceIsLeftAloneWithoutKeepingTheEntry) {
    const std::wstring command = L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell\\open\\command";
    Put(Root::LocalMachine, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"Another.jpg"));
    Put(Root::LocalMachine, L"SOFTWARE\\Classes\\.abc", L"Extra", Sz(L"theirs"));
    WriteBytes(group + L"\\The user's.lnk", "link");
    Put(Root::LocalMachine, command, L"", Sz(L"other \"%1\""));
    Put(Root::LocalMachine, entry, L"InstallLocation", Sz(L"C:\\Other\\"));
    SaveLink(group + L"\\Lumiscope 64 4.70.lnk", L"C:\\Other\\lu_scp64.exe");

    const std::vector<Step> steps = Run();
    EXPECT_EQ(undo::ExitCodeFor(steps), 0);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.jpg", nullptr), L"Another.jpg");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.abc", L"Extra"), L"theirs");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.abc", nullptr), L"");
    EXPECT_TRUE(Exists(group + L"\\The user's.lnk"));
    EXPECT_TRUE(Exists(group + L"\\Lumiscope 64 4.70.lnk"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, command, nullptr), L"other \"%1\"");
    EXPECT_TRUE(testsupport::KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Lumiscope.jpg\\shell\\edit"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, L"DisplayName"), L"Lumiscope 4.70 (64-bit)");
    EXPECT_FALSE(Exists(program));
    auto verdictOf = [&](const std::wstring& name) {
        auto it = std::find_if(steps.begin(), steps.end(), [&](const Step& s) { return s.name == name; });
        return it == steps.end() ? Verdict::Failed : it->verdict;
    };
    EXPECT_EQ(verdictOf(L"HKLM\\SOFTWARE\\Classes\\.jpg"), Verdict::LeftChanged);
    EXPECT_EQ(verdictOf(group), Verdict::LeftNotEmpty);
}
