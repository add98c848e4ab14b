// The UI test program's application object. Like the installer's, it is made
// with no name, so its title comes from string 57344 of the program's resources.
#pragma once

#include <functional>

#include "framework/WinApp.h"

class CUiTestApp : public CWinApp {
public:
    BOOL InitInstance() override { return initInstance ? initInstance(*this) : FALSE; }

    std::function<BOOL(CUiTestApp&)> initInstance;
};

CUiTestApp& TestApp();
