// CWinApp: the one application object. The program defines exactly one global
// object of a class derived from CWinApp; the entry point constructs nothing else,
// calls its InitInstance and, when that returns FALSE, destroys the main window
// and ends the process without a message loop.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/CString.h"

class CWnd;

// The command line, read into a record; arguments are kept as they came.
class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // One argument; flag is true for "/x" or "-x", and param then lacks the prefix.
    virtual void ParseParam(const char* param, BOOL flag, BOOL last);

    std::vector<CString> m_arguments;
};

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

    // Reads the process's arguments into the record.
    void ParseCommandLine(CCommandLineInfo& info);

    // Destroys the main window and deletes its object.
    void DestroyMainWindow();

    CString m_strAppName;
    const char* m_pszAppName;  // the application title, the caption of framework boxes
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;  // owned by the application once set
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The application title; string 57344 when there is no application object.
const char* AfxGetAppName();
// The module whose resources the framework loads: the program itself.
HINSTANCE AfxGetResourceHandle();

// The entry point's work: runs the application object; returns the exit code.
int AfxWinMain();
