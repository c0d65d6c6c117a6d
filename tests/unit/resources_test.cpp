// The program's own resources as the wizard and the install routine load them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "resources/resource_ids.h"
#include "win/text.h"

namespace {

TEST(SetupResources, StringTableTextsLoadExactly) {
    const std::pair<UINT, const wchar_t*> texts[] = {
        {IDS_CANCEL_TEXT, L"&Beenden"},
        {IDS_FINISH_TEXT, L"&Fertig stellen"},
        {IDS_QUIT_QUESTION, L"Installation beenden?"},
        {IDS_INVALID_FOLDER, L"Ungültiges Zielverzeichnis!"},
        {IDS_TARGET_FOLDER, L"Zielverzeichnis"},
        {IDS_INSTALL_ERROR,
         L"Fehler beim Installieren!\n\nÜberprüfen Sie bitte ob Lumiscope läuft, das Zielverzeichnis voll ist oder "
         L"keine Schreibrechte vorhanden sind!\n\n(Der Installer sollte im ADMIN-Modus gestartet werden, z.B. den "
         L"Installer mit der rechten Maustaste anklicken)"},
        {IDS_BROWSE_TITLE, L"Zielverzeichnis:"},
        {IDS_ASSOC_QUESTION,
         L"Sie möchten die aktuellen Verknüpfungen ändern und einen oder mehrere Dateitypen mit Lumiscope "
         L"verknüpfen!\n\nSind Sie sicher!?"},
        {IDS_VIEWER_RUNNING,
         L"Warnung: Lumiscope läuft!\nBeenden Sie bitte Lumiscope bevor Sie mit der Installation fortsetzen!"},
        {IDS_CANNOT_CREATE,
         L"Kann Zielverzeichnis nicht erstellen!\n\nBitte überprüfen Sie Ihre Schreibrechte und "
         L"System-Policies!\n\nVersuchen Sie das Zielverzeichnis zuerst händisch zu erstellen."},
        {IDS_CLOSE_VIEWER_QUESTION,
         L"Soll das Setup Lumiscope jetzt schließen?\n\nLumiscope wird gebeten, sich zu beenden. Ungespeicherte "
         L"Änderungen können Sie dabei noch sichern; nach der Installation startet das Setup Lumiscope auf Wunsch "
         L"wieder."},
        {IDS_VIEWER_NOT_CLOSED,
         L"Lumiscope wurde nicht beendet!\nBeenden Sie bitte Lumiscope selbst, bevor Sie mit der Installation "
         L"fortsetzen!"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(win::LoadStringText(id), text) << "string " << id;
}

std::wstring WhatsNewText(size_t* bytes) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_WHATSNEW), L"TXT");
    if (!found) return L"";
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
    *bytes = SizeofResource(nullptr, found);
    if (!data || *bytes < 2 || data[0] != 0xFF || data[1] != 0xFE) return L"";
    std::wstring text(*bytes / 2 - 1, L'\0');
    memcpy(text.data(), data + 2, text.size() * 2);
    return text;
}

TEST(SetupResources, WhatsNewIsUtf16WithHeaderChangesAndTrailingAddress) {
    size_t bytes = 0;
    std::wstring text = WhatsNewText(&bytes);
    ASSERT_FALSE(text.empty()) << "missing, or no FF FE byte-order mark";
    EXPECT_EQ(bytes % 2, 0u);
    // Fits the page's buffer of 10,239 units whole, byte-order mark included.
    EXPECT_LT(bytes / 2, 10239u);
    EXPECT_NE(text.find(L"Lumiscope 4.70"), std::wstring::npos);

    const std::wstring ending = L"http://www.lumiscope-viewer.de\r\n  ";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);

    // Lines end in CR LF, and the changes are "- " lines.
    size_t lineFeeds = 0, lineBreaks = 0, changes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        lineFeeds += text[i] == L'\n';
        lineBreaks += text.compare(i, 2, L"\r\n") == 0;
        changes += text.compare(i, 4, L"\r\n- ") == 0;
    }
    EXPECT_EQ(lineFeeds, lineBreaks);
    EXPECT_GE(changes, 10u);
}

TEST(SetupResources, IconAndLogoHaveTheirSizesAndColours) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    HRSRC group = FindResourceW(nullptr, MAKEINTRESOURCEW(IDI_SETUP), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(nullptr, group)));
    ASSERT_NE(header, nullptr);
    ASSERT_EQ(header[2], 2u);  // idCount: one 32 and one 16 pixel image
    const auto* images = reinterpret_cast<const GroupEntry*>(header + 3);
    EXPECT_EQ(images[0].width, 32);
    EXPECT_EQ(images[1].width, 16);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(images[i].bitCount, 8) << "image " << i;

    HRSRC bitmap = FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_LOGO), RT_BITMAP);
    ASSERT_NE(bitmap, nullptr);
    const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, bitmap)));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->biWidth, 88);
    EXPECT_EQ(info->biHeight, 31);
    EXPECT_EQ(info->biBitCount, 4);
}

}  // namespace
