// The uninstaller's dialog, driven from the test as a user would, in another process: posted
// clicks, texts read back, boxes answered by button id.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>

#include "support/scratch_registry.h"
#include "support/running_viewer.h"
#include "uninstall_fixture.h"

using namespace uninstalltest;

namespace {

constexpr wchar_t kTitle[] = L"Lumiscope 4.70 (64-bit) entfernen";
constexpr int kFolderText = 1001;
constexpr int kPurgeBox = 1002;
constexpr UINT kAnswerMs = 15000;
// A window comes up after a process start, which a busy machine's Wine server can delay by
// tens of seconds; a run that ended without one says why in its log.
constexpr UINT kWindowMs = 60000;

std::wstring Text(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR got = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kAnswerMs, &got);
    return text;
}

bool Checked(HWND box) {
    DWORD_PTR state = 0;
    ::SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_NORMAL, kAnswerMs, &state);
    return state == BST_CHECKED;
}

void Press(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool WaitFor(const std::function<bool()>& condition, UINT ms = kAnswerMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ::Sleep(20);
    }
    return true;
}

// The uninstaller the test started, with its windows; ended if the test stops early.
class UninstallerWindows {
public:
    UninstallerWindows(const std::wstring& uninstaller, const std::wstring& folder, const std::wstring& log)
        : m_process(testsupport::StartUninstaller(uninstaller, L"/log=\"" + log + L"\"", folder)), m_log(log) {}
    ~UninstallerWindows() {
        if (m_process) testsupport::EndUninstaller(m_process);
    }
    UninstallerWindows(const UninstallerWindows&) = delete;
    UninstallerWindows& operator=(const UninstallerWindows&) = delete;

    // The next visible dialog window of the uninstaller, titled like it: the question
    // (with its check box) or a message box (without).
    HWND WaitForWindow(bool question) {
        HWND found = nullptr;
        WaitFor([&] { return (found = Find(question)) != nullptr || Ended(); }, kWindowMs);
        if (!found) {
            DWORD code = STILL_ACTIVE;
            ::GetExitCodeProcess(m_process, &code);
            ADD_FAILURE() << (question ? "no dialog appeared" : "no message box appeared") << "; exit code " << code
                          << "; log:\n" << enginetest::ReadBytes(m_log);
        }
        return found;
    }
    DWORD ExitCode() {
        DWORD code = testsupport::FinishUninstaller(m_process);
        m_process = nullptr;
        return code;
    }

private:
    bool Ended() const { return ::WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }
    struct Search {
        std::vector<DWORD> pids;
        bool question;
        HWND found = nullptr;
    };
    static BOOL CALLBACK Match(HWND window, LPARAM param) {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        wchar_t cls[16] = {};
        ::GetClassNameW(window, cls, 16);
        if (std::find(s->pids.begin(), s->pids.end(), pid) == s->pids.end() || std::wstring(cls) != L"#32770" ||
            !::IsWindowVisible(window) || Text(window) != kTitle || (::GetDlgItem(window, kPurgeBox) != nullptr) != s->question)
            return TRUE;
        s->found = window;
        return FALSE;
    }
    HWND Find(bool question) const {
        Search search{{::GetProcessId(m_process)}, question};
        ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HANDLE m_process;
    std::wstring m_log;
};


}  // namespace

// Cancelled, or given up while the viewer keeps running: nothing changes.
TEST_F(InstalledProduct, DialogShowsTheFolderAndLeavingItChangesNothing) {
    Install(L"/group=1");
    const SystemState installed = State();
    {
        UninstallerWindows run(uninstaller, work.path(), log);
        HWND dialog = run.WaitForWindow(true);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(Text(::GetDlgItem(dialog, kFolderText)), target);
        EXPECT_EQ(Text(::GetDlgItem(dialog, kPurgeBox)), L"Persönliche Einstellungen ebenfalls entfernen");
        EXPECT_FALSE(Checked(::GetDlgItem(dialog, kPurgeBox)));
        EXPECT_EQ(Text(::GetDlgItem(dialog, IDOK)), L"Entfernen");
        EXPECT_EQ(Text(::GetDlgItem(dialog, IDCANCEL)), L"Abbrechen");
        Press(dialog, IDCANCEL);
        EXPECT_EQ(run.ExitCode(), 5u);
    }
    {
        testsupport::RunningViewer viewer;
        UninstallerWindows run(uninstaller, work.path(), log);
        HWND dialog = run.WaitForWindow(true);
        ASSERT_TRUE(dialog);
        Press(dialog, IDOK);
        HWND box = run.WaitForWindow(false);
        ASSERT_TRUE(box);
        EXPECT_EQ(Text(::GetDlgItem(box, 0xFFFF)).rfind(L"Lumiscope läuft noch.", 0), 0u);
        EXPECT_TRUE(::GetDlgItem(box, IDRETRY) && ::GetDlgItem(box, IDCANCEL));
        Press(box, IDCANCEL);
        EXPECT_EQ(run.ExitCode(), 1u);
    }
    const SystemState after = State();
    EXPECT_TRUE(Same(after.files, installed.files));
    EXPECT_TRUE(Same(after.registry, installed.registry));
}

TEST_F(InstalledProduct, DialogWithTheBoxTickedRemovesTheSettingsToo) {
    Install(L"/group=1");
    ASSERT_TRUE(enginetest::Exists(trace.settingsFolder() + L"\\lu_scp64.ini"));
    UninstallerWindows run(uninstaller, work.path(), log);
    HWND dialog = run.WaitForWindow(true);
    ASSERT_TRUE(dialog);
    ::PostMessageW(::GetDlgItem(dialog, kPurgeBox), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return Checked(::GetDlgItem(dialog, kPurgeBox)); }));
    Press(dialog, IDOK);
    HWND box = run.WaitForWindow(false);
    ASSERT_TRUE(box);
    EXPECT_EQ(Text(::GetDlgItem(box, 0xFFFF)), L"Lumiscope 4.70 (64-bit) wurde vollständig entfernt.\n\n"
                                               L"Die letzten Dateien werden beim nächsten Neustart entfernt.");
    Press(box, IDOK);
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_FALSE(enginetest::Exists(trace.settingsFolder() + L"\\lu_scp64.ini"));
    EXPECT_FALSE(enginetest::Exists(target + L"\\lu_scp64.exe"));
}
