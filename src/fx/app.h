#pragma once
// The application object: one instance; the entry point calls InitInstance once.
#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    static CWinApp* GetApp();

    CWnd* m_pMainWnd = nullptr;
    int m_exitCode = 0;  // the process's exit code
};
