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

int Selected(const InstallRequest& r) {
    int n = 0;
    for (int v : r.assocSelection) n += v;
    return n;
}

}  // namespace

TEST(AssociationQuestion, NoRegistersAsIfNothingWereSelectedYesKeepsAll) {
    int asked = 0;
    auto answer = [&asked](int id) {
        return [&asked, id](const std::wstring&, const std::wstring& caption) {
            EXPECT_EQ(caption, L"Lumiscope 64-bit Setup");
            ++asked;
            return id;
        };
    };
    InstallRequest no = WizardRequestWithImages();
    ConfirmAssociations(no, answer(IDNO));
    EXPECT_EQ(no.associate, 0);
    EXPECT_EQ(Selected(no), 0);

    InstallRequest yes = WizardRequestWithImages();
    ConfirmAssociations(yes, answer(IDYES));
    EXPECT_EQ(yes.associate, 1);
    EXPECT_EQ(Selected(yes), 49);
    EXPECT_EQ(asked, 2);

    InstallRequest silent = WizardRequestWithImages();
    silent.silent = 1;
    InstallRequest nothing;
    ConfirmAssociations(silent, answer(IDNO));
    ConfirmAssociations(nothing, answer(IDNO));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Selected(silent), 49);
}
