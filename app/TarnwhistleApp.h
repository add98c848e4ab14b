// CTarnwhistleApp: the installer's application object. Its InitInstance is the
// whole run: hidden frame, application-directory dialog, installation, final
// message; it returns FALSE so that the process ends without a message loop.
#pragma once

#include "app/MainFrame.h"
#include "framework/WinApp.h"
#include "install/install_summary.h"

class CTarnwhistleApp : public CWinApp {
public:
    CTarnwhistleApp() = default;

    BOOL InitInstance() override;

    // Copies driversupport\ and Driver\ of sourceRoot into appDir and registers the
    // DLLs of Driver\; both strings are the engine's own copies.
    InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir);
    // One file to one destination; FALSE when it could not be copied.
    BOOL CopyOneFile(const char* source, const char* destination);

    CMainFrame* m_pMainFrame = nullptr;  // the main window, owned by the framework

private:
    // After OK: installs from sourceRoot into the confirmed directory (a full path)
    // and shows the final message.
    void InstallAndReport(const CString& sourceRoot, const CString& confirmedDirectory);
};
