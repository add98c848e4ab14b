// CTarnwhistleApp: the installer's application object. Its InitInstance hides the
// frame, makes the platform's parts and hands them, with itself as the engine, to
// tw::Run; it returns FALSE so that the process ends without a message loop, and
// ExitInstance gives the run's exit code.
#pragma once

#include "app/MainFrame.h"
#include "app/run_system.h"
#include "framework/WinApp.h"
#include "install/install_summary.h"
#include "install/install_system.h"

class CTarnwhistleApp : public CWinApp, public tw::InstallationEngine {
public:
    CTarnwhistleApp() = default;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Copies driversupport\ and Driver\ of sourceRoot into appDir and registers the
    // DLLs of Driver\ through system, with the system timer at 1 ms meanwhile, each
    // step told to events; both strings are the engine's own copies.
    InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir, InstallSystem& system,
                                      tw::InstallEvents& events) override;
    // One file to one destination; FALSE when it could not be copied.
    BOOL CopyOneFile(const char* source, const char* destination);

private:
    // The hidden frame: the same object as the framework's main window, which owns
    // it; null once the framework has destroyed it.
    CMainFrame* m_pMainFrame = nullptr;
    int m_exitCode = 0;
};
