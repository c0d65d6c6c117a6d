#include <gtest/gtest.h>

#include "install/install_log.h"

namespace {

const std::string kSeparatorLine = std::string(48, '-') + "\r\n";

}  // namespace

TEST(InstallLogBytes, EntryIsOneLineThenTheSeparatorWithCrLf) {
    EXPECT_EQ(FormatLogEntry(L"07.12.2026", L"21:25:03", L"Ung\u00fcltiges Zielverzeichnis!: "),
              "07.12.2026 - 21:25:03: Ung\xfcltiges Zielverzeichnis!: \r\n" + kSeparatorLine);
    EXPECT_EQ(FormatLogEntry(L"d", L"t", L"Kann nicht!\n\nBitte"), "d - t: Kann nicht!\r\n\r\nBitte\r\n" + kSeparatorLine);
}

TEST(InstallLogBytes, CharactersBeyondLatin1AreQuestionMarks) {
    // Cyrillic, a euro sign and a character outside the first plane, in the date too.
    EXPECT_EQ(FormatLogEntry(L"\u5e74", L"t", L"C:\\\u0414\u20ac\\\U0001F600\u00ff"),
              "? - t: C:\\??\\?\xff\r\n" + kSeparatorLine);
}

TEST(InstallLogBytes, EntryTextIsCutAt519Characters) {
    EXPECT_EQ(FormatLogEntry(L"", L"t", std::wstring(600, L'x')), " - t: " + std::string(519, 'x') + "\r\n" + kSeparatorLine);
}
