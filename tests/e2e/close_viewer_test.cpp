// A viewer left open while the setup or the uninstaller runs with /closeviewer=1: asked to
// close, it closes by itself and the setup starts it again through the desktop shell; one that
// refuses keeps the run as it was. And a program the installation does not own is no viewer.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>

#include "install/viewer/viewer_rules.h"
#include "uninstall_fixture.h"
#include "win/path_text.h"
#include "win/text.h"
#include "win/unique_handle.h"

using namespace enginetest;
using namespace uninstalltest;

namespace {

bool Contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

// A program started by the test, ended at the latest when the object goes.
class Started {
public:
    Started(const std::wstring& program, const std::wstring& arguments, DWORD flags = 0) {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                              &startup, &info))
            return;
        m_process.reset(info.hProcess);
        ::CloseHandle(info.hThread);
        m_id = info.dwProcessId;
    }
    ~Started() {
        if (m_process && ::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0)
            ::TerminateProcess(m_process.get(), 9);
        if (m_process) ::WaitForSingleObject(m_process.get(), 5000);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    DWORD id() const { return m_id; }
    // True when it has ended within `ms`, with its exit code.
    bool Ended(DWORD ms, DWORD& code) const {
        return m_process && ::WaitForSingleObject(m_process.get(), ms) == WAIT_OBJECT_0 &&
               ::GetExitCodeProcess(m_process.get(), &code);
    }

private:
    win::KernelObject m_process;
    DWORD m_id = 0;
};

// The window of class "Lumiscope" of a process, waited for up to 10 s.
HWND ViewerWindowOf(DWORD process) {
    for (int look = 0; look < 200; ++look, ::Sleep(50)) {
        for (HWND w = ::FindWindowExW(nullptr, nullptr, L"Lumiscope", nullptr); w;
             w = ::FindWindowExW(nullptr, w, L"Lumiscope", nullptr)) {
            DWORD owner = 0;
            if (::GetWindowThreadProcessId(w, &owner) && owner == process) return w;
        }
    }
    return nullptr;
}

std::wstring TitleOf(HWND window) {
    wchar_t title[512] = {};
    ::GetWindowTextW(window, title, 512);
    return title;
}

struct Process {
    DWORD id = 0;
    std::wstring parent;  // file name of the program that started it
};

// A process running `program` other than `except`, with its parent's file name.
Process FindProcessOf(const std::wstring& program, DWORD except) {
    win::File snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    std::vector<PROCESSENTRY32W> all;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        all.push_back(entry);
    for (const PROCESSENTRY32W& e : all) {
        if (e.th32ProcessID == except) continue;
        win::KernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID));
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (!process || !::QueryFullProcessImageNameW(process.get(), 0, image, &size) ||
            !win::EqualsNoCase(image, program))
            continue;
        Process found{e.th32ProcessID, L""};
        for (const PROCESSENTRY32W& p : all)
            if (p.th32ProcessID == e.th32ParentProcessID) found.parent = p.szExeFile;
        return found;
    }
    return {};
}

class CloseViewer : public InstalledProduct {
protected:
    // A viewer that a failed step left running would stop every later test.
    void TearDown() override {
        for (Process left = FindProcessOf(viewer, 0); left.id; left = FindProcessOf(viewer, 0)) {
            win::KernelObject process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, left.id));
            if (!process || !::TerminateProcess(process.get(), 9)) break;
            ::WaitForSingleObject(process.get(), 5000);
        }
        InstalledProduct::TearDown();
    }
    testsupport::SetupRun Setup(const std::wstring& options = std::wstring()) {
        return testsupport::RunSetup(L"/silent /folder=" + target + L" /log=\"" + stepLog + L"\" " + options,
                                     work.path());
    }
    std::string StepLog() const { return ReadBytes(stepLog); }

    std::wstring viewer = target + L"\\lu_scp64.exe";
    std::wstring stepLog = work / L"steps.log";
};

}  // namespace

// The viewer agrees and ends by itself; the new files go in; a viewer from the folder runs
// again, started by the desktop shell with the file it had open. The uninstaller closes it for good.
TEST_F(CloseViewer, TheViewerClosesTheSetupInstallsAndStartsItAgainTheUninstallerOnlyClosesIt) {
    Install();
    const std::wstring page = target + L"\\Html\\index.htm";
    const std::string pageBytes = ReadBytes(page);
    WriteBytes(page, "an older page");
    const std::wstring file = L"C:\\Bilder & Fotos\\Haus.jpg";
    Started open(viewer, L"\"" + file + L"\"");
    ASSERT_TRUE(ViewerWindowOf(open.id()));

    EXPECT_EQ(Setup(L"/closeviewer=1").exitCode, 0u) << StepLog();
    DWORD code = 1;
    EXPECT_TRUE(open.Ended(0, code));
    EXPECT_EQ(code, 0u) << "ended by itself";
    EXPECT_EQ(ReadBytes(page), pageBytes);
    EXPECT_TRUE(Contains(StepLog(), "asked to close, agreed: window")) << StepLog();
    EXPECT_TRUE(Contains(StepLog(), "the viewer closed by itself in")) << StepLog();
    EXPECT_TRUE(Contains(StepLog(), "started again through the desktop shell")) << StepLog();

    Process again;
    for (int look = 0; look < 200 && !again.id; ++look) {
        again = FindProcessOf(viewer, open.id());
        if (!again.id) ::Sleep(50);
    }
    ASSERT_NE(again.id, 0u) << "no viewer from the folder runs again";
    EXPECT_TRUE(win::EqualsNoCase(again.parent, L"explorer.exe")) << win::ToUtf8(again.parent);
    EXPECT_EQ(TitleOf(ViewerWindowOf(again.id)), L"Lumiscope - " + file);

    const testsupport::UninstallRun removal = Uninstall(L"/closeviewer=1");
    EXPECT_EQ(removal.exitCode, 0u) << Log();
    EXPECT_FALSE(removal.startedProgram);
    EXPECT_FALSE(Exists(viewer));
    ::Sleep(200);
    EXPECT_EQ(FindProcessOf(viewer, 0).id, 0u) << "started again by the uninstaller";
}

// A viewer that answers "no" (unsaved work its user keeps): both programs end with 1 at once,
// long before the bound, and nothing changed; the viewer runs on.
TEST_F(CloseViewer, AViewerThatRefusesLeavesEverythingAsItWas) {
    Install();
    Started open(viewer, L"/refuseclose");
    HWND window = ViewerWindowOf(open.id());
    ASSERT_TRUE(window);
    const SystemState before = State();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Setup(L"/closeviewer=1").exitCode, 1u) << StepLog();
    EXPECT_EQ(Uninstall(L"/closeviewer=1").exitCode, 1u) << Log();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(viewer::kCloseTimeoutMs));
    EXPECT_TRUE(Contains(StepLog(), "asked to close, refused: window")) << StepLog();
    EXPECT_TRUE(Contains(ReadBytes(work / L"Lumiscope_Install.log"), "Warnung: Lumiscope l"));
    EXPECT_TRUE(Contains(Log(), "asked to close, refused: window")) << Log();
    DWORD code = 0;
    EXPECT_FALSE(open.Ended(0, code));
    EXPECT_TRUE(Same(State().files, before.files));
    EXPECT_TRUE(Same(State().registry, before.registry));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(open.Ended(10000, code));
}

// A program in a folder below the program folder that the payload does not name is not the
// viewer: the setup installs.
TEST_F(CloseViewer, AProgramTheInstallationDoesNotOwnIsNoViewer) {
    const std::wstring other = target + L"\\Other";
    ASSERT_TRUE(::CreateDirectoryW(root.c_str(), nullptr) && ::CreateDirectoryW(target.c_str(), nullptr) &&
                ::CreateDirectoryW(other.c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW(testsupport::BuildPath(L"payload/bin/lu_scp64.exe").c_str(),
                            (other + L"\\other.exe").c_str(), FALSE));
    Started unrelated(other + L"\\other.exe", L"", CREATE_SUSPENDED);  // no window: only its process names it
    ASSERT_NE(unrelated.id(), 0u);
    EXPECT_EQ(Setup().exitCode, 0u) << StepLog();
    EXPECT_TRUE(Exists(viewer));
}
