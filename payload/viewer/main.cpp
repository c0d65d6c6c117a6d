// A stand-in for the image viewer that the setup installs. It has what the setup relies on:
// the main-window class "Lumiscope", the command line (a file, "/thumbs", a folder followed
// by "/thumbs") and the icons addressed by index. It decodes no images; it shows what it was
// asked to open, so that tests can see how it was started.
#include <windows.h>

#include <string>
#include <vector>

#include "view_request.h"

namespace {

const wchar_t kClassName[] = L"Lumiscope";
const int kTextId = 100;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, kTextId), 8, 8, LOWORD(lParam) - 16, HIWORD(lParam) - 16, TRUE);
        return 0;
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

HWND CreateViewerWindow(HINSTANCE instance, const std::wstring& text) {
    HWND window = CreateWindowExW(0, kClassName, L"Lumiscope", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
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
    std::wstring text = viewer::DescribeRequest(viewer::SplitArguments(raw), raw);
    HWND window = CreateViewerWindow(instance, text);
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
