#include <gtest/gtest.h>

#include <windows.h>

#include "install/do_install.h"

namespace {

InstallRequest WizardRequestWithImages() {
    InstallRequest r;
    r.silent = 0;
    r.associate = 1;
    for (int i = 0; i < 49; ++i) r.assocSelection[i] = 1;
    return r;
}

struct Asker {
    explicit Asker(int a) : answer(a) {}
    int answer;
    int calls = 0;
    std::wstring caption;
    AskQuestion fn() {
        return [this](const std::wstring&, const std::wstring& c) {
            ++calls;
            caption = c;
            return answer;
        };
    }
};

}  // namespace

TEST(AssociationQuestion, NoRegistersAsIfNothingWereSelected) {
    InstallRequest r = WizardRequestWithImages();
    Asker no{IDNO};
    ConfirmAssociations(r, no.fn());
    EXPECT_EQ(no.calls, 1);
    EXPECT_EQ(no.caption, L"Lumiscope 64-bit Setup");
    EXPECT_EQ(r.associate, 0);
    for (int v : r.assocSelection) EXPECT_EQ(v, 0);
}

TEST(AssociationQuestion, YesKeepsTheSelection) {
    InstallRequest r = WizardRequestWithImages();
    Asker yes{IDYES};
    ConfirmAssociations(r, yes.fn());
    EXPECT_EQ(yes.calls, 1);
    EXPECT_EQ(r.associate, 1);
    EXPECT_EQ(r.assocSelection[48], 1);
}

TEST(AssociationQuestion, NotAskedInSilentModeOrWithoutSelection) {
    InstallRequest silent = WizardRequestWithImages();
    silent.silent = 1;
    Asker never{IDNO};
    ConfirmAssociations(silent, never.fn());
    InstallRequest none;
    ConfirmAssociations(none, never.fn());
    EXPECT_EQ(never.calls, 0);
    EXPECT_EQ(silent.associate, 1);
    EXPECT_EQ(silent.assocSelection[0], 1);
}
