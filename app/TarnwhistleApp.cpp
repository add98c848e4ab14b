#include "app/TarnwhistleApp.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/completion_message.h"
#include "app/current_directory.h"
#include "app/exit_code.h"
#include "app/installation_progress.h"
#include "app/installation_run.h"
#include "app/removal_run.h"
#include "appdir/find_first_entry.h"
#include "appdir/folder_identity.h"
#include "appdir/full_path_name.h"
#include "config/config_writer.h"
#include "dialogs/AppDirDialog.h"
#include "framework/ExceptionReport.h"
#include "framework/WideText.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "install/one_millisecond_timer.h"
#include "install/platform_install_system.h"
#include "res/resource.h"
#include "res/texts.h"
#include "uninstall/keep_for_removal.h"
#include "uninstall/platform_removal.h"
#include "uninstall/platform_removal_store.h"
#include "uninstall/platform_run_lock.h"
#include "uninstall/running_image.h"

CTarnwhistleApp theApp;

namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
static_assert(kFrameStyle == 0x00CF8000);

void UseCursor(const char* cursor) { ::SetCursor(::LoadCursorA(nullptr, cursor)); }

// The program's words in code page 936, the files' names in the ANSI code page.
std::wstring WideText(const std::vector<tw::TextPart>& parts) {
    std::wstring text;
    for (const tw::TextPart& part : parts)
        text += part.fileNames ? WideFromAnsi(part.bytes) : WideFromProgramText(part.bytes);
    return text;
}

int ShowBox(const tw::CompletionMessage& message) {
    UseCursor(IDC_ARROW);
    return ShowMessageBox(nullptr, WideText(message.parts), WideFromProgramText(message.caption),
                          message.style);
}

// What the removal needs, kept in the store under Program Files.
std::vector<std::string> KeepForRemoval(const std::string& appDir,
                                        const std::vector<tw::CopiedFile>& copied,
                                        const InstallSummary& summary) {
    const std::string record =
        tw::FullPathName(tw::kConfigRecordPath).value_or(tw::kConfigRecordPath);
    return tw::KeepForRemoval({appDir, record, copied, &summary, TW_TEXT_UNINSTALL_DISPLAY_NAME},
                              PlatformRemovalStore());
}

int RemoveInstallation(const tw::InstallerSwitches& switches, tw::RunLock& runLock,
                       tw::InstallLog& log) {
    const tw::RemovalPlatform platform{
        PlatformRemovalStore(), PlatformRemovalSystem(), PlatformInstallSystem(),
        [](const tw::CompletionMessage& question) {
            bool yes = ShowBox(question) == IDYES;
            UseCursor(IDC_WAIT);
            return yes;
        },
        [](const tw::CompletionMessage& message) { ShowBox(message); },
        // The installation's window, shown once the removal has gone on for a second.
        [] { return std::make_unique<InstallationProgress>(TW_TEXT_REMOVAL_PROGRESS_CAPTION); },
        &runLock};
    return tw::RunRemoval(switches.silent, platform, log);
}

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local ? *local : std::tm{};
}

}  // namespace

BOOL CTarnwhistleApp::InitInstance() {
    const tw::InstallerSwitches switches = tw::ParseInstallerSwitches(::GetCommandLineA());
    // First, before anyone can rename or replace it: the program file that an
    // installation keeps for its removal. A removal keeps none, and must be free to
    // move its own running file aside.
    if (!switches.uninstall) tw::HoldRunningImage();
    // The framework owns the frame once it is the main window.
    auto* frame = new CMainFrame;
    m_pMainWnd = frame;
    frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr);
    frame->ShowWindow(SW_HIDE);
    frame->UpdateWindow();

    UseCursor(IDC_WAIT);

    tw::InstallLog log(switches.logPath);
    // A run that was asked for a log and cannot keep one does nothing at all.
    if (log.CannotBeOpened()) {
        if (!switches.silent) ShowBox(tw::LogNotOpenedMessage(switches.logPath));
        m_exitCode = tw::ChooseExitCode(tw::RunEnd::logNotOpened, false, 0);
        return FALSE;
    }
    tw::RunPlatform platform{
        {CurrentDirectory().GetString(), tw::kConfigRecordPath, tw::FindFirstEntryAttributes,
         tw::FullPathName, tw::ReadFolderIdentity},
        PlatformInstallSystem(),
        std::bind_front(&CTarnwhistleApp::InstallDriverFiles, this)};
    platform.keepForRemoval = KeepForRemoval;
    // One run at a time on the machine: taken once the run is to change anything,
    // held until this function returns, and let go by Windows however the process ends.
    const std::unique_ptr<tw::RunLock> runLock = MakePlatformRunLock();
    platform.runLock = runLock.get();
    log.Started(LocalTimeNow(), platform.packageFolder);

    if (switches.uninstall) {
        m_exitCode = RemoveInstallation(switches, *runLock, log);
        return FALSE;
    }

    if (switches.silent) {
        m_exitCode = tw::RunSilently(switches, platform, log);
        return FALSE;
    }

    CAppDirDialog dialog;
    dialog.m_strAppDir =
        switches.directory.empty() ? tw::kProposedAppDir : switches.directory.c_str();
    // The dialog refuses the package's own folders as the application directory.
    dialog.m_strPackageFolder = platform.packageFolder.c_str();
    dialog.m_pLog = &log;
    dialog.m_pRunLock = runLock.get();
    m_exitCode = tw::RunWithDialog(
        platform, log,
        {[&] {
             INT_PTR result = dialog.DoModal();
             if (result == IDOK)
                 return tw::DialogResult{tw::DialogResult::confirmed,
                                         dialog.m_strFullAppDir.GetString()};
             return tw::DialogResult{
                 result == IDCANCEL ? tw::DialogResult::cancelled : tw::DialogResult::notShown, {}};
         },
         [](const tw::CompletionMessage& message) { ShowBox(message); },
         [] {
             UseCursor(IDC_ARROW);
             ReportCurrentException(nullptr, AfxGetAppName());
         },
         // Shown once the installation has gone on for a second.
         [] { return std::make_unique<InstallationProgress>(); }});
    return FALSE;
}

int CTarnwhistleApp::ExitInstance() { return m_exitCode; }

InstallSummary CTarnwhistleApp::InstallDriverFiles(CString sourceRoot, CString appDir,
                                                   InstallSystem& system) {
    OneMillisecondTimer pauses;
    return ::InstallDriverFiles(sourceRoot, appDir, system);
}

BOOL CTarnwhistleApp::CopyOneFile(const char* source, const char* destination) {
    return ::CopyOneFile(source, destination);
}
