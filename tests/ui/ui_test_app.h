// The UI test program's application object. Like the installer's, it is made
// with no name, so its title comes from string 57344 of the program's resources.
#pragma once

#include <functional>

#include "framework/WinApp.h"

class CUiTestApp : public CWinApp {
public:
    BOOL InitInstance() override { return initInstance ? initInstance(*this) : FALSE; }
    int ExitInstance() override {
        return exitInstance ? exitInstance(CWinApp::ExitInstance()) : CWinApp::ExitInstance();
    }

    std::function<BOOL(CUiTestApp&)> initInstance;
    // Given the framework's own exit code.
    std::function<int(int)> exitInstance;
};

CUiTestApp& TestApp();
