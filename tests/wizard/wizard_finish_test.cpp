// The finish page's follow-up actions: the FAQ page first, then the viewer, brought to the front.
#include <chrono>
#include <filesystem>
#include <string>

#include <objbase.h>

#include "win/unique_handle.h"
#include "wizard_fixture.h"
#include "wizard_tool_modes.h"

namespace wiztest {
namespace {

constexpr wchar_t kHttpCommandKey[] = L"Software\\Classes\\http\\shell\\open\\command";

// A scratch folder with the two recorders, and the web-page handler pointed at one of them.
class WizardFinish : public WizardWalk {
protected:
    void SetUp() override {
        WizardWalk::SetUp();
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_folder = std::filesystem::path(temp) / (L"LumiWizardFinish" + std::to_wstring(::GetCurrentProcessId()));
        std::filesystem::create_directories(m_folder);
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        for (const wchar_t* name : {kViewerRecorderName, kHttpRecorderName})
            std::filesystem::copy_file(self, m_folder / name, std::filesystem::copy_options::overwrite_existing);

        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHttpCommandKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        m_httpKey.reset(key);
        wchar_t previous[1024] = {};
        DWORD bytes = sizeof(previous);
        m_hadPrevious = ::RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(previous), &bytes) ==
                        ERROR_SUCCESS;
        m_previous = previous;
        SetHttpCommand(L"\"" + (m_folder / kHttpRecorderName).wstring() + L"\" \"%1\"");
    }
    void TearDown() override {
        WizardWalk::TearDown();
        if (m_hadPrevious)
            SetHttpCommand(m_previous);
        else
            ::RegDeleteValueW(m_httpKey.get(), nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    void SetHttpCommand(const std::wstring& command) {
        ::RegSetValueExW(m_httpKey.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    std::vector<Launch> WaitForLaunches(size_t count) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::vector<Launch> launches;
        while ((launches = ReadLaunches(m_folder.wstring())).size() < count &&
               std::chrono::steady_clock::now() < deadline)
            ::Sleep(50);
        return launches;
    }

    std::filesystem::path m_folder;

private:
    win::RegKey m_httpKey;
    bool m_hadPrevious = false;
    std::wstring m_previous;
};

// The viewer starts from the folder the installation went into, not from what is typed there
// afterwards.
TEST_F(WizardFinish, OpensTheFaqThenStartsTheViewerAndBringsItToTheFront) {
    Start();
    driver->SetText(Item(0, IDC_FOLDER), m_folder.wstring());  // no trailing backslash
    GoTo(4);
    driver->SetText(Item(0, IDC_FOLDER), L"C:\\Elsewhere");
    FakeViewer viewer;
    driver->ClickOpeningBox(driver->Button(IDCANCEL));
    ASSERT_TRUE(driver->WaitForEnd());
    EXPECT_TRUE(driver->Result());

    std::vector<Launch> launches = WaitForLaunches(2);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].program, kHttpRecorderName);
    EXPECT_NE(launches[0].commandLine.find(L"http://www.lumiscope-viewer.de/faq.htm"), std::wstring::npos)
        << launches[0].commandLine;
    EXPECT_EQ(launches[1].program, kViewerRecorderName);
    EXPECT_NE(launches[1].commandLine.find((m_folder / kViewerRecorderName).wstring()), std::wstring::npos)
        << launches[1].commandLine;
    for (const Launch& launch : launches)
        EXPECT_EQ(_wcsicmp(launch.parent.c_str(), L"explorer.exe"), 0) << "started by the desktop shell, not the setup";
    EXPECT_TRUE(viewer.WaitForActivation());
}

TEST_F(WizardFinish, OnlyTheTickedActionsRun) {
    Start();
    driver->SetText(Item(0, IDC_FOLDER), m_folder.wstring() + L"\\");
    GoTo(4);
    driver->Click(Item(4, IDC_SHOW_FAQ));
    FakeViewer viewer;  // found at the first look, so the wizard need not wait
    driver->ClickOpeningBox(driver->Button(IDCANCEL));
    ASSERT_TRUE(driver->WaitForEnd());

    std::vector<Launch> launches = WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, kViewerRecorderName);
}


// Enter presses "Fertig stellen"; Esc and the close box do what it does: the ticked actions,
// then the end. One wizard per process, as in a real run.
enum class Way { kEnter, kEscape, kCloseBox };
class WizardFinishKeys : public WizardFinish, public ::testing::WithParamInterface<Way> {};

TEST_P(WizardFinishKeys, FinishAsTheButtonDoes) {
    Start();
    driver->SetText(Item(0, IDC_FOLDER), m_folder.wstring());
    GoTo(4);
    driver->Click(Item(4, IDC_SHOW_FAQ));
    FakeViewer viewer;
    if (GetParam() == Way::kCloseBox)
        driver->PressCloseBox();
    else
        Press(GetParam() == Way::kEnter ? VK_RETURN : VK_ESCAPE);
    ASSERT_TRUE(driver->WaitForEnd());
    std::vector<Launch> launches = WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, kViewerRecorderName);
}

INSTANTIATE_TEST_SUITE_P(EnterEscAndCloseBox, WizardFinishKeys,
                         ::testing::Values(Way::kEnter, Way::kEscape, Way::kCloseBox));

}  // namespace
}  // namespace wiztest
