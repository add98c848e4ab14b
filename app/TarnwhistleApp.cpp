#include "app/TarnwhistleApp.h"

#include <memory>

#include "app/command_line.h"
#include "app/commit_journal_run.h"
#include "app/run.h"
#include "appdir/folder_identity.h"
#include "appdir/full_path_name.h"
#include "config/config_writer.h"
#include "app/platform_run_windows.h"
#include "config/record_snapshot.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "install/one_millisecond_timer.h"
#include "install/platform_install_system.h"
#include "res/resource.h"
#include "uninstall/platform_uninstall.h"
#include "uninstall/running_image.h"

CTarnwhistleApp theApp;

namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
static_assert(kFrameStyle == 0x00CF8000);

}  // namespace

BOOL CTarnwhistleApp::InitInstance() {
    const tw::InstallerSwitches switches = tw::ParseInstallerSwitches(::GetCommandLineA());
    // First, before anyone can rename or replace it: the program file that an
    // installation keeps for its removal. A removal keeps none, and must be free to
    // move its own running file aside.
    if (!switches.uninstall) tw::HoldRunningImage();
    // The framework owns the frame once it is the main window.
    m_pMainFrame = new CMainFrame;
    m_pMainWnd = m_pMainFrame;
    m_pMainFrame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr);
    m_pMainFrame->ShowWindow(SW_HIDE);
    m_pMainFrame->UpdateWindow();

    ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));

    // The platform's parts, all made here. One run at a time on the machine: the
    // lock is taken once the run is to change anything, held until this function
    // returns, and let go by Windows however the process ends. This object is the
    // engine; the store under Program Files takes what the removal needs.
    const std::unique_ptr<tw::RunLock> runLock = MakePlatformRunLock();
    tw::RecordSnapshot recordBefore;
    const tw::RunSystem system{
        {tw::CurrentDirectory(), tw::kConfigRecordPath, tw::FindFirstEntryAttributes,
         tw::FullPathName, tw::ReadFolderIdentity, runLock.get(),
         [&](tw::InstallLog& log) {
             tw::RecoverInterruptedCommit(
                 PlatformRemovalStore(), PlatformInstallSystem(),
                 tw::FullPathName(tw::kConfigRecordPath).value_or(tw::kConfigRecordPath), log);
             recordBefore = tw::ReadRecordSnapshot(tw::kConfigRecordPath);
         }},
        PlatformInstallSystem(),
        *this,
        PlatformRemovalStore(),
        PlatformRemovalSystem(),
        true,
        &recordBefore};
    m_exitCode = static_cast<int>(tw::Run(switches, system, PlatformRunWindows()));
    return FALSE;
}

int CTarnwhistleApp::ExitInstance() {
    m_pMainFrame = nullptr;  // the framework has destroyed the main window by now
    return m_exitCode;
}

InstallSummary CTarnwhistleApp::InstallDriverFiles(CString sourceRoot, CString appDir,
                                                   InstallSystem& system,
                                                   tw::InstallEvents& events) {
    OneMillisecondTimer pauses;
    return ::InstallDriverFiles(sourceRoot, appDir, system, events);
}

BOOL CTarnwhistleApp::CopyOneFile(const char* source, const char* destination) {
    return ::CopyOneFile(source, destination);
}
