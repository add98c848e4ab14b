// CWinApp: the one application object. The program defines exactly one global
// object of a class derived from CWinApp; the entry point constructs nothing else,
// calls its InitInstance and, when that returns FALSE, destroys the main window
// and ends the process without a message loop, with ExitInstance's exit code.
#pragma once

#include <windows.h>

#include "framework/AppTitle.h"
#include "framework/CString.h"

class CWnd;

class CWinApp {
public:
    // With no name, the application title is string 57344 of the program.
    explicit CWinApp(const char* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // The program's run; TRUE enters the message loop, FALSE ends the process.
    virtual BOOL InitInstance();
    // The message loop; returns the exit code of WM_QUIT.
    virtual int Run();
    // Called once the run is over (after Run, or when InitInstance returned FALSE);
    // its result is the process's exit code. By default the code Run returned, or
    // 0 when no loop ran.
    virtual int ExitInstance();

    // Destroys the main window and deletes its object.
    void DestroyMainWindow();

    CString m_strAppName;
    const char* m_pszAppName;  // the application title, the caption of framework boxes
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;  // owned by the application once set

private:
    friend int AfxWinMain();
    int m_runExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The module whose resources the framework loads: the program itself.
HINSTANCE AfxGetResourceHandle();

// The entry point's work: runs the application object; returns the exit code.
int AfxWinMain();
