#include <gtest/gtest.h>

#include <map>

#include "install/ini_unicode.h"
#include "install/settings_file.h"
#include "install/toolbar_skin.h"

namespace {

// A fixed environment instead of the process's own.
EnvironmentLookup Environment(std::map<std::wstring, std::wstring> values) {
    return [values](const std::wstring& name, std::wstring& value) {
        auto it = values.find(name);
        if (it == values.end()) return false;
        value = it->second;
        return true;
    };
}

std::wstring Expanded(const std::wstring& text, const EnvironmentLookup& env) {
    std::wstring out = L"stale";
    EXPECT_TRUE(ExpandPercentVariables(text, out, env)) << text;
    return out;
}

std::wstring Skin(int height, int scale) { return SkinForDisplay(height, scale).file; }

std::string Utf16(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Latin-1 bytes as they are, so that the expected bytes do not depend on the code page.
std::wstring Widen(const std::string& piece) {
    std::wstring wide;
    for (char c : piece) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

}  // namespace

TEST(SettingsFolderExpansion, VariablesAreReplacedAndUnknownOnesVanish) {
    auto env = Environment({{L"APPDATA", L"C:\\Users\\u\\AppData\\Roaming"}, {L"X", L"1"}});
    EXPECT_EQ(Expanded(L"%APPDATA%\\Lumiscope", env), L"C:\\Users\\u\\AppData\\Roaming\\Lumiscope");
    EXPECT_EQ(Expanded(L"%NOT_SET%\\Lumiscope", env), L"\\Lumiscope");
    EXPECT_EQ(Expanded(L"D:\\plain\\", env), L"D:\\plain\\");
    EXPECT_EQ(Expanded(L"a%%b", env), L"ab");
    EXPECT_EQ(Expanded(L"a%X%%X%b", env), L"a11b");
    EXPECT_EQ(Expanded(L"a%X", env), L"a1");  // an unclosed name runs to the end
    EXPECT_EQ(Expanded(L"%x%", env), L"");     // names are looked up as written
}

TEST(SettingsFolderExpansion, OverlongResultsAndValuesAreRefusedNotCut) {
    std::wstring out;
    auto env = Environment({{L"V259", std::wstring(259, L'v')}, {L"V260", std::wstring(260, L'w')}});
    EXPECT_TRUE(ExpandPercentVariables(L"%V259%", out, env));
    EXPECT_EQ(out.size(), 259u);
    EXPECT_FALSE(ExpandPercentVariables(L"%V260%", out, env));
    EXPECT_EQ(out, L"");
    EXPECT_TRUE(ExpandPercentVariables(L"%V259%%V259%\\", out, env));
    EXPECT_EQ(out.size(), 519u);
    EXPECT_FALSE(ExpandPercentVariables(L"%V259%%V259%\\x", out, env));
    EXPECT_FALSE(ExpandPercentVariables(std::wstring(520, L'p'), out, env));
}

TEST(ToolbarSkinChoice, HeightAndScaleThresholds) {
    EXPECT_EQ(Skin(1000, 150), L"gnome-colors-wise_32.png");
    EXPECT_EQ(Skin(1200, 125), L"Hollmark_24.png");
    EXPECT_EQ(Skin(1201, 125), L"gnome-colors-wise_32.png");
    EXPECT_EQ(Skin(767, 100), L"Tessel_16.png");
    EXPECT_EQ(Skin(768, 100), L"Hollmark_24.png");
    EXPECT_EQ(Skin(1600, 100), L"gnome-colors-human_48.png");
    EXPECT_EQ(Skin(1599, 169), L"gnome-colors-wise_32.png");
    EXPECT_EQ(Skin(500, 170), L"gnome-colors-human_48.png");
    EXPECT_EQ(Skin(500, 149), L"Tessel_16.png");
    EXPECT_EQ(std::wstring(SkinForDisplay(500, 149).size), L"16");
    EXPECT_EQ(std::wstring(SkinForDisplay(900, 100).size), L"24");
    EXPECT_EQ(std::wstring(SkinForDisplay(1300, 100).size), L"32");
    EXPECT_EQ(std::wstring(SkinForDisplay(2160, 100).size), L"48");
}

TEST(SettingsPaths, ProgramIniFolderOfPathAndAppLayout) {
    EXPECT_EQ(ProgramIniPath(L"  C:\\Program Files\\Lumiscope  "), L"C:\\Program Files\\Lumiscope\\lu_scp64.ini");
    EXPECT_EQ(ProgramIniPath(L"D:\\L\\"), L"D:\\L\\lu_scp64.ini");

    std::wstring text = L"pre:";
    FolderOfPath(L"C:\\Data\\lu_scp64.ini", text);
    EXPECT_EQ(text, L"pre:C:\\Data\\");
    std::wstring bare;
    FolderOfPath(L"D:lu_scp64.ini", bare);
    EXPECT_EQ(bare, L"D:\\");

    EXPECT_TRUE(IsAppFolderLayout(L"E:\\Lumiscope64_App\\Data\\lu_scp64.ini"));
    EXPECT_TRUE(IsAppFolderLayout(L"E:\\Lumiscope32_App\\lu_scp64.ini"));
    EXPECT_FALSE(IsAppFolderLayout(L"E:\\lumiscope64_app\\lu_scp64.ini"));
}

TEST(IniConversionBytes, PiecesAreLinesOfAtMost2047Bytes) {
    auto pieces = SplitIniPieces("[A]\r\nk=v\nlast");
    EXPECT_EQ(pieces, (std::vector<std::string>{"[A]\r\n", "k=v\n", "last"}));
    auto longLine = SplitIniPieces(std::string(5000, 'x') + "\n");
    ASSERT_EQ(longLine.size(), 3u);
    EXPECT_EQ(longLine[0].size(), 2047u);
    EXPECT_EQ(longLine[1].size(), 2047u);
    EXPECT_EQ(longLine[2], std::string(906, 'x') + "\n");
    EXPECT_TRUE(SplitIniPieces("").empty());
}

TEST(IniConversionBytes, MarkHeaderThenEveryPieceAsUtf16) {
    std::string bytes = UnicodeIniBytes({"[Language]\r\n", "Lang=D\xe4nisch\r\n"}, Widen);
    std::string expected = "\xFF\xFE" + Utf16(L"; UNICODE FILE - edit with care ;-)\r\n\r\n") +
                           Utf16(L"[Language]\r\n") + Utf16(L"Lang=D\u00e4nisch\r\n");
    EXPECT_EQ(bytes, expected);
}

TEST(IniConversionBytes, APieceEndsAtANulByte) {
    std::string piece("k=v\0junk\n", 9);
    std::string bytes = UnicodeIniBytes({piece}, Widen);
    EXPECT_EQ(bytes.substr(bytes.size() - 6), Utf16(L"k=v"));
}
