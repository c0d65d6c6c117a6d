#include <gtest/gtest.h>

#include "install/install_log.h"

namespace {

const std::string kSeparatorLine = std::string(48, '-') + "\r\n";

}  // namespace

TEST(InstallLogBytes, EntryIsOneLineThenTheSeparatorWithCrLf) {
    std::string bytes = FormatLogEntry(L"07.12.2026", L"21:25:03", L"Ung\u00fcltiges Zielverzeichnis!: ");
    EXPECT_EQ(bytes, "07.12.2026 - 21:25:03: Ung\xfcltiges Zielverzeichnis!: \r\n" + kSeparatorLine);
}

TEST(InstallLogBytes, LineBreaksOfTheTextBecomeCrLfBlankLinesIncluded) {
    std::string bytes = FormatLogEntry(L"d", L"t", L"Kann nicht!\n\nBitte \u00fcberpr\u00fcfen");
    EXPECT_EQ(bytes, "d - t: Kann nicht!\r\n\r\nBitte \xfc" "berpr\xfc" "fen\r\n" + kSeparatorLine);
}

TEST(InstallLogBytes, CharactersBeyondLatin1AreQuestionMarks) {
    // A Cyrillic folder name, a euro sign and a character outside the first plane.
    std::string bytes = FormatLogEntry(L"\u5e74", L"t", L"C:\\\u0414\u20ac\\\U0001F600\u00ff");
    EXPECT_EQ(bytes, "? - t: C:\\??\\?\xff\r\n" + kSeparatorLine);
}

TEST(InstallLogBytes, EntryTextIsCutAt519Characters) {
    std::string bytes = FormatLogEntry(L"", L"t", std::wstring(600, L'x'));
    EXPECT_EQ(bytes, " - t: " + std::string(519, 'x') + "\r\n" + kSeparatorLine);
}

TEST(InstallLogBytes, TimeIsTwoDigitFields) {
    std::wstring time = CurrentLogTime();
    ASSERT_EQ(time.size(), 8u);
    EXPECT_EQ(time[2], L':');
    EXPECT_EQ(time[5], L':');
    for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) EXPECT_TRUE(iswdigit(time[i])) << i;
}
