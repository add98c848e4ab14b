#include "app/TarnwhistleApp.h"

#include <ctime>

#include "app/command_line.h"
#include "app/completion_message.h"
#include "app/current_directory.h"
#include "app/exit_code.h"
#include "app/install_log.h"
#include "app/installation_run.h"
#include "common/path_rules.h"
#include "config/config_writer.h"
#include "dialogs/AppDirDialog.h"
#include "appdir/find_first_entry.h"
#include "appdir/full_path_name.h"
#include "framework/ExceptionReport.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "install/one_millisecond_timer.h"
#include "install/platform_install_system.h"
#include "res/resource.h"

CTarnwhistleApp theApp;

namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
static_assert(kFrameStyle == 0x00CF8000);

void UseCursor(const char* cursor) { ::SetCursor(::LoadCursorA(nullptr, cursor)); }

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local ? *local : std::tm{};
}

}  // namespace

BOOL CTarnwhistleApp::InitInstance() {
    // The framework owns the frame once it is the main window.
    auto* frame = new CMainFrame;
    m_pMainWnd = frame;
    frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr);
    frame->ShowWindow(SW_HIDE);
    frame->UpdateWindow();

    UseCursor(IDC_WAIT);

    const tw::InstallerSwitches switches = tw::ParseInstallerSwitches(::GetCommandLineA());
    tw::InstallLog log(switches.logPath);
    // A run that was asked for a log and cannot keep one does nothing at all.
    if (log.CannotBeOpened()) {
        if (!switches.silent) {
            const tw::CompletionMessage message = tw::LogNotOpenedMessage(switches.logPath);
            ::MessageBoxA(nullptr, message.text.c_str(), message.caption, message.style);
        }
        m_exitCode = tw::ChooseExitCode(tw::RunEnd::logNotOpened, false, 0);
        return FALSE;
    }
    const tw::RunPlatform platform{
        CurrentDirectory().GetString(),
        tw::kConfigRecordPath,
        tw::FindFirstEntryAttributes,
        tw::FullPathName,
        PlatformInstallSystem(),
        [this](const std::string& sourceRoot, const std::string& appDir, InstallSystem& system) {
            return InstallDriverFiles(sourceRoot.c_str(), appDir.c_str(), system);
        }};
    log.Started(LocalTimeNow(), platform.sourceRoot);

    if (switches.silent) {
        m_exitCode = tw::RunSilently(switches, platform, log);
        return FALSE;
    }

    CAppDirDialog dialog;
    dialog.m_strAppDir =
        switches.directory.empty() ? tw::kProposedAppDir : switches.directory.c_str();
    // The dialog refuses the package's own folders as the application directory.
    dialog.m_strPackageFolder = platform.sourceRoot.c_str();
    INT_PTR result = dialog.DoModal();
    if (result == IDOK) {
        InstallAndReport(dialog.m_strAppDir, dialog.m_strFullAppDir, platform, log);
    } else if (result == IDCANCEL) {
        log.Cancelled();
        m_exitCode = tw::ChooseExitCode(tw::RunEnd::cancelled, false, 0);
    } else {
        log.InstallationStopped("the dialog could not be shown");
        m_exitCode = tw::kExitFailed;
    }
    log.Finished(m_exitCode);
    return FALSE;
}

int CTarnwhistleApp::ExitInstance() { return m_exitCode; }

void CTarnwhistleApp::InstallAndReport(const CString& typedText, const CString& fullPath,
                                       const tw::RunPlatform& platform, tw::InstallLog& log) {
    // The dialog wrote the record before it closed with OK.
    log.DirectoryChosen(typedText.GetString(), tw::DirectorySource::dialog);
    log.RecordWritten(tw::kConfigRecordPath);
    // The directory is carried whole; the engine deals with paths that do not fit.
    const std::string appDir = tw::WithTrailingSeparator(fullPath.GetString());
    log.DirectoryAccepted(appDir);
    try {
        const tw::InstallResult installed = tw::InstallAndLog(platform, appDir, log);
        UseCursor(IDC_ARROW);
        m_exitCode = installed.exitCode;
        ::MessageBoxA(nullptr, installed.message.text.c_str(), installed.message.caption,
                      installed.message.style);
    } catch (...) {
        UseCursor(IDC_ARROW);
        log.InstallationStopped(CurrentExceptionText().GetString());
        m_exitCode = tw::ChooseExitCode(tw::RunEnd::installationAborted, false, 0);
        ReportCurrentException(nullptr);
    }
}

InstallSummary CTarnwhistleApp::InstallDriverFiles(CString sourceRoot, CString appDir,
                                                   InstallSystem& system) {
    OneMillisecondTimer pauses;
    return ::InstallDriverFiles(sourceRoot, appDir, system);
}

BOOL CTarnwhistleApp::CopyOneFile(const char* source, const char* destination) {
    return ::CopyOneFile(source, destination);
}
