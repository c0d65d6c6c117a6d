#include <gtest/gtest.h>

#include <map>

#include "install/settings/ini_unicode.h"
#include "install/settings/settings_file.h"
#include "install/settings/toolbar_skin.h"

namespace {

const std::map<std::wstring, std::wstring> kEnvironment = {
    {L"APPDATA", L"C:\\Users\\u\\AppData\\Roaming"}, {L"X", L"1"},
    {L"V259", std::wstring(259, L'v')}, {L"V260", std::wstring(260, L'w')}};

bool Lookup(const std::wstring& name, std::wstring& value) {
    auto it = kEnvironment.find(name);
    if (it == kEnvironment.end()) return false;
    value = it->second;
    return true;
}

std::wstring Expanded(const std::wstring& text) {
    std::wstring out = L"stale";
    return ExpandPercentVariables(text, out, Lookup) ? out : L"<refused:" + out + L">";
}

std::string Utf16(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// Latin-1 as it is, so that the expected bytes do not depend on the code page.
std::wstring Widen(const std::string& piece) {
    std::wstring wide;
    for (unsigned char c : piece) wide += static_cast<wchar_t>(c);
    return wide;
}

}  // namespace

TEST(SettingsFolderExpansion, VariablesAreReplacedAndUnknownOnesVanish) {
    EXPECT_EQ(Expanded(L"%APPDATA%\\Lumiscope"), L"C:\\Users\\u\\AppData\\Roaming\\Lumiscope");
    EXPECT_EQ(Expanded(L"%NOT_SET%\\Lumiscope"), L"\\Lumiscope");
    EXPECT_EQ(Expanded(L"a%%b%X%%X%c"), L"ab11c");
    EXPECT_EQ(Expanded(L"a%X"), L"a1");  // an unclosed name runs to the end
}

TEST(SettingsFolderExpansion, OverlongResultsAndValuesAreRefusedNotCut) {
    EXPECT_EQ(Expanded(L"%V259%").size(), 259u);
    EXPECT_EQ(Expanded(L"%V260%"), L"<refused:>");
    EXPECT_EQ(Expanded(L"%V259%%V259%\\").size(), 519u);
    EXPECT_EQ(Expanded(L"%V259%%V259%\\x"), L"<refused:>");
}

TEST(ToolbarSkinChoice, HeightAndScaleThresholds) {
    struct Case { int height, scale; const wchar_t* file; const wchar_t* size; };
    for (Case c : {Case{1000, 150, L"gnome-colors-wise_32.png", L"32"}, Case{1200, 125, L"Hollmark_24.png", L"24"},
                   Case{1201, 125, L"gnome-colors-wise_32.png", L"32"}, Case{767, 100, L"Tessel_16.png", L"16"},
                   Case{768, 100, L"Hollmark_24.png", L"24"}, Case{1600, 100, L"gnome-colors-human_48.png", L"48"},
                   Case{1599, 169, L"gnome-colors-wise_32.png", L"32"}, Case{500, 170, L"gnome-colors-human_48.png", L"48"},
                   Case{500, 149, L"Tessel_16.png", L"16"}}) {
        ToolbarSkin skin = SkinForDisplay(c.height, c.scale);
        EXPECT_EQ(std::wstring(skin.file), c.file) << c.height << " " << c.scale;
        EXPECT_EQ(std::wstring(skin.size), c.size) << c.height << " " << c.scale;
    }
}

TEST(IniConversionBytes, LinesOfAtMost2047BytesAfterMarkAndHeader) {
    auto pieces = SplitIniPieces("[A]\r\n" + std::string(2050, 'x') + "\nlast");
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[1], std::string(2047, 'x'));
    EXPECT_EQ(pieces[2], "xxx\n");
    EXPECT_TRUE(SplitIniPieces("").empty());

    std::string nul("k=v\0junk\n", 9);
    EXPECT_EQ(UnicodeIniBytes({"[Language]\r\n", "Lang=D\xe4nisch\r\n", nul}, Widen),
              "\xFF\xFE" + Utf16(L"; UNICODE FILE - edit with care ;-)\r\n\r\n[Language]\r\nLang=D\u00e4nisch\r\nk=v"));
}

TEST(IniConversionBytes, OtherUnicodeFormsKeepEveryCharacter) {
    const std::string header = Utf16(L"; UNICODE FILE - edit with care ;-)\r\n\r\n");
    std::string bigEndian = "\xFE\xFF";
    for (wchar_t c : std::wstring(L"[A]\r\nk=\u00e4\u20ac\r\n")) bigEndian += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    struct Case {
        std::string bytes;
        IniEncoding encoding;
        std::string converted;  // empty: refused
    };
    for (const Case& c : {Case{bigEndian, IniEncoding::Utf16Be, "\xFF\xFE" + header + Utf16(L"[A]\r\nk=\u00e4\u20ac\r\n")},
                          Case{"\xEF\xBB\xBF[A]\r\nk=\xC3\xA4\r\n", IniEncoding::Utf8, "\xFF\xFE" + header + Utf16(L"[A]\r\nk=\u00e4\r\n")},
                          Case{"\xFE\xFF[\0A", IniEncoding::Utf16Be, ""},
                          Case{"\xEF\xBB\xBFk=\xC3(", IniEncoding::Utf8, ""},
                          Case{"\xFF\xFE[\0", IniEncoding::Utf16Le, ""}, Case{"[A]\r\n", IniEncoding::Ansi, ""}}) {
        EXPECT_EQ(DetectIniEncoding(c.bytes), c.encoding);
        std::string converted;
        EXPECT_EQ(ReencodeUnicodeIni(c.bytes, c.encoding, converted), !c.converted.empty());
        if (!c.converted.empty()) EXPECT_EQ(converted, c.converted);
    }
    // A big-endian file that already carries the header does not get a second one.
    std::string withHeader = "\xFE\xFF";
    for (wchar_t c : std::wstring(L"; UNICODE FILE - edit with care ;-)\r\n")) withHeader += {'\0', static_cast<char>(c)};
    std::string converted;
    ASSERT_TRUE(ReencodeUnicodeIni(withHeader, IniEncoding::Utf16Be, converted));
    EXPECT_EQ(converted, "\xFF\xFE" + Utf16(L"; UNICODE FILE - edit with care ;-)\r\n"));
}
