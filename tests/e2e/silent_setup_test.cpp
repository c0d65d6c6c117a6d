#include <gtest/gtest.h>

#include <windows.h>

#include "support/engine_scratch.h"
#include "support/paths.h"

namespace {

constexpr DWORD kRunTimeoutMs = 30000;
constexpr DWORD kStillRunning = 0xFFFFFFFF;

struct SetupRun {
    DWORD exitCode = kStillRunning;
    bool showedWindow = false;  // a window of its own appeared while it ran
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    auto* target = reinterpret_cast<std::pair<DWORD, bool>*>(param);
    if (pid != target->first) return TRUE;
    target->second = true;
    return FALSE;
}

// Starts the built setup in `folder` and waits for it to end. A setup that is still running
// when it shows a window, or after the time-out, is ended: no run can hang the suite.
SetupRun RunSetup(const std::wstring& arguments, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + testsupport::BuildPath(L"Lumiscope64Setup.exe") + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    SetupRun run;
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process)) {
        ADD_FAILURE() << "setup did not start: " << ::GetLastError();
        return run;
    }
    std::pair<DWORD, bool> windows{process.dwProcessId, false};
    for (DWORD waited = 0; waited < kRunTimeoutMs && !windows.second; waited += 100) {
        if (::WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        ::EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&windows));
    }
    if (::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    } else {
        ::TerminateProcess(process.hProcess, kStillRunning);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    run.showedWindow = windows.second;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return run;
}

LRESULT CALLBACK DefaultProcedure(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(w, m, wp, lp); }

// A top-level window of the viewer's class, as a running viewer has, for the test's lifetime.
class FakeRunningViewer {
public:
    FakeRunningViewer() {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = DefaultProcedure;
        cls.hInstance = ::GetModuleHandleW(nullptr);
        cls.lpszClassName = L"Lumiscope";
        ::RegisterClassW(&cls);
        m_window = ::CreateWindowW(L"Lumiscope", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, cls.hInstance, nullptr);
    }
    ~FakeRunningViewer() {
        if (m_window) ::DestroyWindow(m_window);
        ::UnregisterClassW(L"Lumiscope", ::GetModuleHandleW(nullptr));
    }
    bool exists() const { return m_window != nullptr; }

private:
    HWND m_window = nullptr;
};

}  // namespace

using namespace enginetest;

TEST(SilentSetup, EmptyFolderOptionEndsWithCode2AndItsLogEntry) {
    ScratchFolder folder;
    SetupRun run = RunSetup(L"/silent /folder= /desktop=1", folder.path());
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ(OnlyLogEntryText(ReadBytes(folder / L"Lumiscope_Install.log")), "Ung\xfcltiges Zielverzeichnis!: ");
}

TEST(SilentSetup, RunningViewerIsOneTwoLineEntryAndNothingElse) {
    FakeRunningViewer viewer;
    ASSERT_TRUE(viewer.exists());
    ScratchFolder folder;
    const std::wstring target = folder / L"Target";
    SetupRun run = RunSetup(L"/silent /folder=\"" + target + L"\"", folder.path());
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(OnlyLogEntryText(ReadBytes(folder / L"Lumiscope_Install.log")),
              "Warnung: Lumiscope l\xe4uft!\r\nBeenden Sie bitte Lumiscope bevor Sie mit der Installation fortsetzen!");
    EXPECT_FALSE(std::filesystem::exists(target));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) files += entry.exists();
    EXPECT_EQ(files, 1u);
}

TEST(SilentSetup, CapitalSilentTakesTheWizardPath) {
    ScratchFolder folder;
    SetupRun run = RunSetup(L"/SILENT /folder=", folder.path());
    // The wizard either ended without installing or was showing its window when it was ended;
    // a silent run would have refused the empty folder with code 2 and a log entry.
    EXPECT_TRUE(run.exitCode == 5u || run.showedWindow) << run.exitCode;
    EXPECT_EQ(ReadBytes(folder / L"Lumiscope_Install.log"), "");
}

TEST(SilentSetup, PayloadThatCannotBeWrittenOutEndsWithCode4AfterTheFolderWasMade) {
    ScratchFolder folder;
    const std::wstring missingTemp = folder / L"no\\temp";
    // The setup inherits these: its archive copy has nowhere to go.
    ::SetEnvironmentVariableW(L"TMP", missingTemp.c_str());
    ::SetEnvironmentVariableW(L"TEMP", missingTemp.c_str());
    const std::wstring target = folder / L"Target";
    SetupRun run = RunSetup(L"/silent /folder=" + target, folder.path());
    EXPECT_EQ(run.exitCode, 4u);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    std::string text = OnlyLogEntryText(ReadBytes(folder / L"Lumiscope_Install.log"));
    const std::string folderPart = Latin1(target + L"\\: ");
    EXPECT_EQ(text.substr(0, folderPart.size()), folderPart);
    EXPECT_NE(text.find("Fehler beim Installieren!"), std::string::npos);
}
