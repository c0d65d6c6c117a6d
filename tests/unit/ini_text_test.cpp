#include <gtest/gtest.h>

#include "install/settings/ini_text.h"

namespace {

struct SetCase {
    const wchar_t* before;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;  // null: removed
    const wchar_t* after;
};

// As the profile functions change a file: in place, case and blanks ignored, new keys after
// the last entry of their section, new sections at the end.
const SetCase kSetCases[] = {
    {L"", L"Language", L"Lang", L"Deutsch", L"[Language]\r\nLang=Deutsch\r\n"},
    {L"[language]\r\n lang = English\r\nDLL=X\r\n", L"Language", L"Lang", L"Deutsch",
     L"[language]\r\nLang=Deutsch\r\nDLL=X\r\n"},
    {L"[Toolbar]\r\nSize=24\r\n\r\n[Other]\r\na=1", L"Toolbar", L"Skin", L"s.png",
     L"[Toolbar]\r\nSize=24\r\nSkin=s.png\r\n\r\n[Other]\r\na=1"},
    {L"[Other]\r\na=1", L"Toolbar", L"Skin", L"s.png", L"[Other]\r\na=1\r\n[Toolbar]\r\nSkin=s.png\r\n"},
    {L"[Others]\r\nINI_Folder=C:\\x\r\nkeep=1\r\n", L"Others", L"INI_Folder", nullptr, L"[Others]\r\nkeep=1\r\n"},
    {L"[Others]\r\n;INI_Folder=C:\\x\r\n", L"Others", L"INI_Folder", nullptr, L"[Others]\r\n;INI_Folder=C:\\x\r\n"},
    {L"[A]\r\nk=1\r\n", L"B", L"k", nullptr, L"[A]\r\nk=1\r\n"},
};

}  // namespace

TEST(IniText, SetsAndRemovesAsTheProfileFunctionsDo) {
    for (const SetCase& c : kSetCases) {
        std::wstring text = c.before;
        SetIniValue(text, c.section, c.key, c.value);
        EXPECT_EQ(text, c.after) << c.before;
    }
}

TEST(IniText, ReadsAValueOfItsOwnSectionOnly) {
    const std::wstring text = L"[Toolbar]\r\nSize=24\r\n[Others]\r\n INI_FOLDER = \"%APPDATA%\\L\" \r\nSkin=no\r\n";
    EXPECT_EQ(IniValue(text, L"others", L"ini_folder"), L"%APPDATA%\\L");
    EXPECT_EQ(IniValue(text, L"Toolbar", L"Skin"), L"");
    EXPECT_EQ(IniValue(text, L"Missing", L"Size"), L"");
}
