#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "support/paths.h"

namespace {

constexpr DWORD kRunTimeoutMs = 30000;
constexpr DWORD kStillRunning = 0xFFFFFFFF;
const std::string kSeparatorLine = std::string(48, '-') + "\r\n";

// A scratch working directory for one run of the setup.
class RunFolder {
public:
    RunFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        m_path = std::wstring(temp) + L"lumi_e2e_" + std::to_wstring(::GetCurrentProcessId());
        std::filesystem::create_directories(m_path);
    }
    ~RunFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

    std::string Log() const {
        std::ifstream in(std::filesystem::path(*this / L"Lumiscope_Install.log"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::wstring m_path;
};

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

// The entry text of a log that holds exactly one entry.
std::string OnlyEntryText(const std::string& log) {
    size_t start = log.find(" - ");
    size_t tail = kSeparatorLine.size() + 2;
    if (start == std::string::npos || log.size() < start + 13 + tail) return "<no entry: " + log + ">";
    EXPECT_EQ(log.substr(start + 11, 2), ": ");
    EXPECT_EQ(log.substr(log.size() - tail), "\r\n" + kSeparatorLine);
    EXPECT_EQ(log.find(kSeparatorLine), log.size() - kSeparatorLine.size()) << "more than one entry";
    return log.substr(start + 13, log.size() - tail - (start + 13));
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

TEST(SilentSetup, EmptyFolderOptionEndsWithCode2AndItsLogEntry) {
    RunFolder folder;
    SetupRun run = RunSetup(L"/silent /folder= /desktop=1", folder.path());
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ(OnlyEntryText(folder.Log()), "Ung\xfcltiges Zielverzeichnis!: ");
}

TEST(SilentSetup, RunningViewerIsOneTwoLineEntryAndNothingElse) {
    FakeRunningViewer viewer;
    ASSERT_TRUE(viewer.exists());
    RunFolder folder;
    const std::wstring target = folder / L"Target";
    SetupRun run = RunSetup(L"/silent /folder=\"" + target + L"\"", folder.path());
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(OnlyEntryText(folder.Log()),
              "Warnung: Lumiscope l\xe4uft!\r\nBeenden Sie bitte Lumiscope bevor Sie mit der Installation fortsetzen!");
    EXPECT_FALSE(std::filesystem::exists(target));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) files += entry.exists();
    EXPECT_EQ(files, 1u);
}

TEST(SilentSetup, MissingDriveEndsWithCode3) {
    DWORD drives = ::GetLogicalDrives();
    wchar_t letter = L'Q';
    while (letter <= L'Y' && (drives & (1u << (letter - L'A')))) ++letter;
    ASSERT_LE(letter, L'Y');
    RunFolder folder;
    SetupRun run = RunSetup(std::wstring(L"/silent /folder=") + letter + L":\\Lumi", folder.path());
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(OnlyEntryText(folder.Log()).substr(0, 37), "Kann Zielverzeichnis nicht erstellen!");
}

TEST(SilentSetup, CapitalSilentTakesTheWizardPath) {
    RunFolder folder;
    SetupRun run = RunSetup(L"/SILENT /folder=", folder.path());
    // The wizard either ended without installing or was showing its window when it was ended;
    // a silent run would have refused the empty folder with code 2 and a log entry.
    EXPECT_TRUE(run.exitCode == 5u || run.showedWindow) << run.exitCode;
    EXPECT_EQ(folder.Log(), "");
}

TEST(SilentSetup, PayloadThatCannotBeWrittenOutEndsWithCode4AfterTheFolderWasMade) {
    RunFolder folder;
    const std::wstring missingTemp = folder / L"no\\temp";
    // The setup inherits these: its archive copy has nowhere to go.
    ::SetEnvironmentVariableW(L"TMP", missingTemp.c_str());
    ::SetEnvironmentVariableW(L"TEMP", missingTemp.c_str());
    const std::wstring target = folder / L"Target";
    SetupRun run = RunSetup(L"/silent /folder=" + target, folder.path());
    EXPECT_EQ(run.exitCode, 4u);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    std::string text = OnlyEntryText(folder.Log());
    std::string folderPart;
    for (wchar_t c : target + L"\\: ") folderPart += static_cast<char>(c);
    EXPECT_EQ(text.substr(0, folderPart.size()), folderPart);
    EXPECT_NE(text.find("Fehler beim Installieren!"), std::string::npos);
}
