// The stand-in viewer that the payload carries, as other tests use it for "the viewer is
// running": a top-level window of the class "Lumiscope" that shows how it was started and
// ends when it is closed. Runs serially: the window is visible to the whole prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>

#include "support/paths.h"
#include "support/process_start.h"
#include "win/unique_handle.h"

namespace {

// Starts the viewer with `arguments`, returns the text its window shows, then closes it and
// checks that it ends cleanly.
std::wstring RunViewer(const std::wstring& arguments) {
    std::wstring exe = testsupport::BuildPath(L"payload/bin/lu_scp64.exe");
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!testsupport::StartProcess(exe.c_str(), commandLine, 0, nullptr, startup, info)) {
        ADD_FAILURE() << "cannot start " << std::string(exe.begin(), exe.end());
        return L"";
    }
    win::KernelObject process(info.hProcess), thread(info.hThread);

    // Found by class only, as the setup looks for it; the watchdog keeps a viewer that never
    // shows its window from hanging the run.
    HWND window = nullptr;
    for (int attempt = 0; attempt < 200 && !window; ++attempt) {
        window = FindWindowW(L"Lumiscope", nullptr);
        if (!window) Sleep(50);
    }
    std::wstring shown;
    DWORD owner = 0;
    if (window && GetWindowThreadProcessId(window, &owner) && owner == info.dwProcessId) {
        // The window can be found while it is still making its label: wait for the text.
        for (int attempt = 0; attempt < 100 && shown.empty(); ++attempt) {
            wchar_t text[1024] = {};
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(GetDlgItem(window, 100), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                                SMTO_ABORTIFHUNG, 5000, &ignored);
            shown = text;
            if (shown.empty()) Sleep(50);
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        ADD_FAILURE() << "no window of the class Lumiscope from the started viewer";
    }
    if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        ADD_FAILURE() << "the viewer did not end when its window was closed";
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    return shown;
}

TEST(ViewerStandIn, ShowsWhatItWasAskedToOpenAndEndsWhenClosed) {
    EXPECT_EQ(RunViewer(L"\"C:\\Bilder & Fotos\\Haus.jpg\""),
              L"Datei: C:\\Bilder & Fotos\\Haus.jpg\r\nArgumente: \"C:\\Bilder & Fotos\\Haus.jpg\"");
    EXPECT_EQ(RunViewer(L"\"D:\\\" /thumbs"), L"Miniaturansicht von: D:\\\r\nArgumente: \"D:\\\" /thumbs");
    EXPECT_EQ(RunViewer(L"/thumbs"), L"Miniaturansicht\r\nArgumente: /thumbs");
}

}  // namespace
