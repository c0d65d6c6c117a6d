#include <gtest/gtest.h>

#include <windows.h>

#include "install/do_install.h"

namespace {

InstallRequest WizardRequestWithImages() {
    InstallRequest r;
    r.associate = 1;
    for (int i = 0; i < 49; ++i) r.assocSelection[i] = 1;
    return r;
}

int g_asked = 0;

template <int Answer>
int AnswerWith(HWND, const std::wstring&, const std::wstring& caption) {
    EXPECT_EQ(caption, L"Lumiscope 64-bit Setup");
    ++g_asked;
    return Answer;
}

int Selected(const InstallRequest& r) {
    int n = 0;
    for (int v : r.assocSelection) n += v;
    return n;
}

}  // namespace

TEST(AssociationQuestion, NoRegistersAsIfNothingWereSelectedYesKeepsAll) {
    g_asked = 0;
    InstallRequest no = WizardRequestWithImages();
    ConfirmAssociations(no, AnswerWith<IDNO>);
    EXPECT_EQ(no.associate, 0);
    EXPECT_EQ(Selected(no), 0);

    InstallRequest yes = WizardRequestWithImages();
    ConfirmAssociations(yes, AnswerWith<IDYES>);
    EXPECT_EQ(yes.associate, 1);
    EXPECT_EQ(Selected(yes), 49);
    EXPECT_EQ(g_asked, 2);

    InstallRequest silent = WizardRequestWithImages();
    silent.silent = 1;
    InstallRequest nothing;
    ConfirmAssociations(silent, AnswerWith<IDNO>);
    ConfirmAssociations(nothing, AnswerWith<IDNO>);
    EXPECT_EQ(g_asked, 2);
    EXPECT_EQ(Selected(silent), 49);
}
