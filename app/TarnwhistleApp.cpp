#include "app/TarnwhistleApp.h"

#include "app/completion_message.h"
#include "app/current_directory.h"
#include "common/path_rules.h"
#include "dialogs/AppDirDialog.h"
#include "framework/ExceptionReport.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "install/platform_install_system.h"
#include "res/resource.h"

CTarnwhistleApp theApp;

namespace {

constexpr char kProposedAppDir[] = "C:\\Varnelquist";
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
static_assert(kFrameStyle == 0x00CF8000);

void UseCursor(const char* cursor) { ::SetCursor(::LoadCursorA(nullptr, cursor)); }

}  // namespace

BOOL CTarnwhistleApp::InitInstance() {
    m_pMainFrame = new CMainFrame;
    m_pMainWnd = m_pMainFrame;
    m_pMainFrame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr);
    m_pMainFrame->ShowWindow(SW_HIDE);
    m_pMainFrame->UpdateWindow();

    UseCursor(IDC_WAIT);

    // No argument changes the run.
    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);

    // The dialog refuses this folder as the application directory, and the engine
    // installs from it: one reading serves both.
    CString sourceRoot = CurrentDirectory();
    CAppDirDialog dialog;
    dialog.m_strAppDir = kProposedAppDir;
    dialog.m_strPackageFolder = sourceRoot;
    if (dialog.DoModal() == IDOK) InstallAndReport(sourceRoot, dialog.m_strFullAppDir);
    return FALSE;
}

void CTarnwhistleApp::InstallAndReport(const CString& sourceRoot,
                                       const CString& confirmedDirectory) {
    // The directory is carried whole; the engine deals with paths that do not fit.
    CString appDir = tw::WithTrailingSeparator(confirmedDirectory.GetString()).c_str();
    InstallSummary summary;
    try {
        summary = InstallDriverFiles(sourceRoot, appDir);
    } catch (...) {
        UseCursor(IDC_ARROW);
        ReportCurrentException(nullptr);
        return;
    }
    UseCursor(IDC_ARROW);
    tw::CompletionMessage message =
        tw::ChooseCompletionMessage(summary.NothingFound(), summary.FailureCount());
    ::MessageBoxA(nullptr, message.text.c_str(), message.caption, message.style);
}

InstallSummary CTarnwhistleApp::InstallDriverFiles(CString sourceRoot, CString appDir) {
    return ::InstallDriverFiles(sourceRoot, appDir, PlatformInstallSystem());
}

BOOL CTarnwhistleApp::CopyOneFile(const char* source, const char* destination) {
    return ::CopyOneFile(source, destination);
}
