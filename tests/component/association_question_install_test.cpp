#include <gtest/gtest.h>

#include "install/do_install.h"
#include "resources/resource_ids.h"
#include "support/box_answerer.h"
#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "win/text.h"

using namespace enginetest;
using testsupport::BoxAnswerer;
using testsupport::KeyExists;
using testsupport::ReadString;

namespace {

// A whole wizard-mode installation with rows 2 (BMP/DIB) and 31 (PNG) ticked, into a scratch
// folder and a scratch registry; the association question is answered by another thread.
class WizardAssociationQuestion : public ::testing::Test {
protected:
    ScratchFolder scratch;
    testsupport::ScratchRegistry registry{L"question9"};
    // Tests run side by side: each writes its temporary archive into a folder of its own.
    ScopedEnvironment tmp{L"TMP", scratch.path().c_str()};
    ScopedEnvironment temp{L"TEMP", scratch.path().c_str()};
    std::wstring previousDirectory = CurrentDirectory();
    InstallRequest request;

    void SetUp() override {
        request.targetFolder = scratch / L"Lumiscope";
        request.associate = 1;
        request.assocSelection[2] = 1;
        request.assocSelection[31] = 1;
    }
    void TearDown() override { ::SetCurrentDirectoryW(previousDirectory.c_str()); }

    // Installs and answers the question; the question must have been asked exactly once.
    void InstallAnswering(int button) {
        BoxAnswerer answer(::GetCurrentThreadId(), button);
        EXPECT_EQ(DoInstall(request), 1);
        answer.Wait();
        ASSERT_TRUE(answer.answered());
        EXPECT_EQ(answer.text(), win::LoadStringText(IDS_ASSOC_QUESTION));
    }
    std::wstring ExtensionTarget(const wchar_t* ext) {
        return ReadString(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Classes\\.") + ext, nullptr);
    }
    bool HasUserChoice(const wchar_t* ext) {
        return KeyExists(HKEY_CURRENT_USER,
                         std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.") + ext +
                             L"\\UserChoice");
    }
};

}  // namespace

TEST_F(WizardAssociationQuestion, YesAssociatesTheTickedRows) {
    InstallAnswering(IDYES);
    EXPECT_EQ(ExtensionTarget(L"bmp"), L"Lumiscope.bmp");
    EXPECT_EQ(ExtensionTarget(L"dib"), L"Lumiscope.bmp");
    EXPECT_TRUE(HasUserChoice(L"bmp"));
    EXPECT_TRUE(HasUserChoice(L"png"));
    EXPECT_FALSE(HasUserChoice(L"gif"));
}

TEST_F(WizardAssociationQuestion, NoRegistersAsIfNothingHadBeenTicked) {
    InstallAnswering(IDNO);
    // The user's associations stay as they were...
    EXPECT_EQ(ExtensionTarget(L"bmp"), L"");
    EXPECT_EQ(ExtensionTarget(L"dib"), L"");
    EXPECT_FALSE(HasUserChoice(L"bmp"));
    EXPECT_FALSE(HasUserChoice(L"png"));
    // ...while the installation itself is complete: program, ProgIDs and the three
    // extensions that are always pointed at the viewer.
    EXPECT_TRUE(Exists(scratch / L"Lumiscope\\lu_scp64.exe"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Lumiscope.bmp", nullptr), L"Lumiscope BMP File");
    EXPECT_EQ(ExtensionTarget(L"png"), L"Lumiscope.png");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64",
                         L"DisplayName"),
              L"Lumiscope 4.70 (64-bit)");
}

TEST_F(WizardAssociationQuestion, NothingTickedAsksNothing) {
    request.associate = 0;
    request.assocSelection.fill(0);
    BoxAnswerer answer(::GetCurrentThreadId(), IDYES, 2000);
    EXPECT_EQ(DoInstall(request), 1);
    // Nothing may be waiting for an answer: the answerer gives up on its own.
    answer.Wait();
    EXPECT_FALSE(answer.answered());
}
