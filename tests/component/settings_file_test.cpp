#include <gtest/gtest.h>

#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "install/settings/ini_unicode.h"
#include "install/settings/settings_file.h"

using namespace enginetest;

namespace {

std::wstring ReadEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[300] = {};
    ::GetPrivateProfileStringW(section, key, L"<none>", value, 300, file.c_str());
    return value;
}

void WriteEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    ::WritePrivateProfileStringW(section, key, value, file.c_str());
}

bool IsKnownSkinPair(const std::wstring& skin, const std::wstring& size) {
    return (skin == L"Tessel_16.png" && size == L"16") || (skin == L"Hollmark_24.png" && size == L"24") ||
           (skin == L"gnome-colors-wise_32.png" && size == L"32") ||
           (skin == L"gnome-colors-human_48.png" && size == L"48");
}

class ViewerSettings : public ::testing::Test {
protected:
    ScratchFolder scratch;
    testsupport::ScratchRegistry hive{L"engine", false};
    InstallRequest request;
    std::wstring programFolder = scratch / L"Prog";
    std::wstring programIni = programFolder + L"\\lu_scp64.ini";

    void SetUp() override {
        std::filesystem::create_directories(programFolder);
        request.targetFolder = programFolder;
    }
};

}  // namespace

TEST_F(ViewerSettings, RedirectHoldsTheUnexpandedFolderAndTheSettingsGoThere) {
    ScopedEnvironment env(L"LUMI_ENGINE_SETTINGS", scratch.path().c_str());
    request.iniFolder = L"%LUMI_ENGINE_SETTINGS%\\Data";
    const std::wstring settingsIni = WriteViewerSettings(request);

    EXPECT_EQ(settingsIni, scratch.path() + L"\\Data\\lu_scp64.ini");
    EXPECT_EQ(ReadEntry(programIni, L"Others", L"INI_Folder"), L"%LUMI_ENGINE_SETTINGS%\\Data");
    EXPECT_EQ(ReadEntry(settingsIni, L"Language", L"DLL"), L"DEUTSCH.DLL");
    EXPECT_EQ(ReadEntry(settingsIni, L"Language", L"Lang"), L"Deutsch");
    EXPECT_TRUE(
        IsKnownSkinPair(ReadEntry(settingsIni, L"Toolbar", L"Skin"), ReadEntry(settingsIni, L"Toolbar", L"Size")));
    // Not an app-folder layout: the program folder's file holds the redirect only.
    EXPECT_EQ(ReadEntry(programIni, L"Language", L"Lang"), L"<none>");
    EXPECT_EQ(ReadEntry(programIni, L"Toolbar", L"Skin"), L"<none>");
}

TEST_F(ViewerSettings, NoSettingsFolderRemovesAnEarlierRedirectAndKeepsOtherKeys) {
    WriteEntry(programIni, L"Others", L"INI_Folder", L"%APPDATA%\\Lumiscope");
    WriteEntry(programIni, L"Others", L"Recent", L"keep");
    WriteEntry(programIni, L"Language", L"DLL", L"ENGLISH.DLL");
    WriteEntry(programIni, L"Toolbar", L"Skin", L"Tessel_16.png");
    WriteEntry(programIni, L"Toolbar", L"Size", L"16");

    EXPECT_EQ(WriteViewerSettings(request), programIni);
    EXPECT_EQ(ReadEntry(programIni, L"Others", L"INI_Folder"), L"<none>");
    EXPECT_EQ(ReadEntry(programIni, L"Others", L"Recent"), L"keep");
    EXPECT_EQ(ReadEntry(programIni, L"Language", L"DLL"), L"DEUTSCH.DLL");
    EXPECT_EQ(ReadEntry(programIni, L"Toolbar", L"Skin"), L"Tessel_16.png");
    EXPECT_EQ(ReadEntry(programIni, L"Toolbar", L"Size"), L"16");
}

TEST_F(ViewerSettings, AppFolderLayoutPutsTheDefaultsIntoTheProgramFileToo) {
    request.iniFolder = scratch / L"Lumiscope64_App";
    const std::wstring settingsIni = WriteViewerSettings(request);
    EXPECT_EQ(settingsIni, scratch.path() + L"\\Lumiscope64_App\\lu_scp64.ini");
    EXPECT_EQ(ReadEntry(programIni, L"Language", L"DefaultLang"), L"DEUTSCH.DLL");
    EXPECT_EQ(ReadEntry(programIni, L"Language", L"Lang"), L"Deutsch");
    EXPECT_EQ(ReadEntry(programIni, L"Toolbar", L"Skin"), L"Hollmark_24.png");
    EXPECT_EQ(ReadEntry(programIni, L"Toolbar", L"Size"), L"24");
}

TEST_F(ViewerSettings, SilentRunIntoTheDefaultFolderMovesSettingsToAppData) {
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                                         L"ProgramFilesDir", scratch.path()));
    ScopedEnvironment appData(L"APPDATA", (scratch / L"Roaming").c_str());
    request.silent = 1;
    request.targetFolder = scratch / L"Lumiscope2\\";
    std::filesystem::create_directories(request.targetFolder);

    const std::wstring settingsIni = WriteViewerSettings(request);
    EXPECT_EQ(request.iniFolder, L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(settingsIni, scratch / L"Roaming\\Lumiscope\\lu_scp64.ini");
    EXPECT_EQ(ReadEntry(scratch / L"Lumiscope2\\lu_scp64.ini", L"Others", L"INI_Folder"), L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(ReadEntry(settingsIni, L"Language", L"Lang"), L"Deutsch");
}

TEST_F(ViewerSettings, SilentRuleComparesWithCase) {
    std::wstring upper = scratch.path();
    for (auto& c : upper) c = towupper(c);
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                                         L"ProgramFilesDir", upper));
    request.silent = 1;
    ASSERT_NE(upper, scratch.path());
    request.targetFolder = scratch / L"Lumiscope\\";
    EXPECT_EQ(WriteViewerSettings(request), request.targetFolder + L"lu_scp64.ini");
    EXPECT_EQ(request.iniFolder, L"");
}

TEST_F(ViewerSettings, OverlongOrEmptyExpansionKeepsTheSettingsInTheProgramFolder) {
    WriteEntry(programIni, L"Others", L"INI_Folder", L"old");
    ScopedEnvironment longValue(L"LUMI_ENGINE_LONG", std::wstring(300, L'z').c_str());
    for (const wchar_t* folder : {L"%LUMI_ENGINE_LONG%", L"%LUMI_ENGINE_UNSET_VARIABLE%"}) {
        request.iniFolder = folder;
        EXPECT_EQ(WriteViewerSettings(request), programIni) << folder;
        EXPECT_EQ(ReadEntry(programIni, L"Others", L"INI_Folder"), L"<none>") << folder;
        EXPECT_EQ(ReadEntry(programIni, L"Language", L"Lang"), L"Deutsch") << folder;
    }
}

TEST(IniToUnicode, EightBitFileIsConvertedAndStaysReadable) {
    ScratchFolder scratch;
    const std::wstring ini = scratch / L"lu_scp64.ini";
    WriteBytes(ini, "[Language]\r\nLang=Deutsch\r\n");
    ASSERT_TRUE(ConvertIniToUnicode(ini));

    std::string bytes = ReadBytes(ini);
    const std::string header = "; UNICODE FILE - edit with care ;-)\r\n\r\n[Language]\r\nLang=Deutsch\r\n";
    std::string expected = "\xFF\xFE";
    for (char c : header) expected += std::string{c, '\0'};
    EXPECT_EQ(bytes, expected);
    EXPECT_FALSE(Exists(scratch / L"lu_scp64.ini_temp"));
    EXPECT_EQ(ReadEntry(ini, L"Language", L"Lang"), L"Deutsch");
}

TEST(IniToUnicode, FileThatIsAlreadyUtf16IsLeftAloneWithoutACopy) {
    ScratchFolder scratch;
    const std::wstring ini = scratch / L"lu_scp64.ini";
    const std::string utf16("\xFF\xFE[\0A\0]\0\r\0\n\0", 12);
    WriteBytes(ini, utf16);
    // A conversion would overwrite this leftover copy; it must stay as it is.
    WriteBytes(scratch / L"lu_scp64.ini_temp", "leftover");
    EXPECT_TRUE(ConvertIniToUnicode(ini));
    EXPECT_EQ(ReadBytes(ini), utf16);
    EXPECT_EQ(ReadBytes(scratch / L"lu_scp64.ini_temp"), "leftover");
}

TEST(IniToUnicode, BigEndianAndUnreadableFilesLoseNothing) {
    ScratchFolder scratch;
    const std::wstring ini = scratch / L"lu_scp64.ini";
    std::string bigEndian = "\xFE\xFF";
    for (wchar_t c : std::wstring(L"[Others]\r\nINI_Folder=%APPDATA%\\Lumiscope\r\n[Language]\r\nLang=Deutsch\r\n"))
        bigEndian += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    WriteBytes(ini, bigEndian);
    ASSERT_TRUE(ConvertIniToUnicode(ini));
    EXPECT_EQ(ReadBytes(ini).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(ReadEntry(ini, L"Others", L"INI_Folder"), L"%APPDATA%\\Lumiscope");
    EXPECT_EQ(ReadEntry(ini, L"Language", L"Lang"), L"Deutsch");
    EXPECT_FALSE(Exists(ini + L".bak"));

    const std::string binary("[A]\r\nk=v\0\x01\x02tail\r\n", 17);
    WriteBytes(ini, binary);
    ASSERT_TRUE(ConvertIniToUnicode(ini));
    EXPECT_EQ(ReadBytes(ini + L".bak"), binary);
    EXPECT_EQ(ReadEntry(ini, L"A", L"k"), L"v");
}
