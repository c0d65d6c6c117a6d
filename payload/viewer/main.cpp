// A stand-in for the image viewer that the setup installs. It has what the setup relies on:
// the main-window class "Lumiscope", the command line (a file, "/thumbs", a folder followed
// by "/thumbs"), the icons addressed by index, the title "Lumiscope - <full path>" while a
// file is open (which a setup that closed the viewer starts it again with), and the end of the
// session: it agrees to the session-end query and ends on WM_CLOSE. It decodes no images; it
// shows what it was asked to open, so that tests can see how it was started. The test switch
// "/refuseclose" makes it answer the session-end query with "no", as a viewer with unsaved
// work whose user keeps it open does.
#include <windows.h>

#include <string>
#include <vector>

#include "view_request.h"

namespace {

const wchar_t kClassName[] = L"Lumiscope";
const int kTextId = 100;
bool refuseClose = false;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, kTextId), 8, 8, LOWORD(lParam) - 16, HIWORD(lParam) - 16, TRUE);
        return 0;
    case WM_QUERYENDSESSION:
        return refuseClose ? FALSE : TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterViewerClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

// The title names the open file by its full path.
std::wstring TitleFor(const std::wstring& file) {
    if (file.empty()) return L"Lumiscope";
    wchar_t full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
    return L"Lumiscope - " + (n > 0 && n < MAX_PATH ? std::wstring(full) : file);
}

HWND CreateViewerWindow(HINSTANCE instance, const std::wstring& title, const std::wstring& text) {
    HWND window = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 360, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    // The text is data: "&" in a path must not turn into a mnemonic.
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 8, 8, 600, 300, window, reinterpret_cast<HMENU>(kTextId), instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    if (!RegisterViewerClass(instance)) return 1;
    std::wstring raw = viewer::RawArguments(GetCommandLineW());
    std::vector<std::wstring> args = viewer::SplitArguments(raw);
    refuseClose = viewer::TakeRefuseCloseSwitch(args);
    std::wstring text = viewer::DescribeRequest(args, raw);
    HWND window = CreateViewerWindow(instance, TitleFor(viewer::RequestedFile(args)), text);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
