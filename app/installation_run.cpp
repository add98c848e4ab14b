#include "app/installation_run.h"

#include <optional>
#include <utility>

#include "app/exit_code.h"
#include "app/logging_install_system.h"
#include "common/path_rules.h"
#include "config/config_writer.h"
#include "install/progress_install_system.h"
#include "install/progress_plan.h"
#include "uninstall/copy_recorder.h"

namespace tw {

namespace {

int Finish(InstallLog& log, int exitCode) {
    log.Finished(exitCode);
    return exitCode;
}

// The engine on system; with progress, on a system that shows each step to it.
InstallSummary RunObserved(const RunPlatform& platform, const std::string& appDir,
                           InstallSystem& system, ProgressObserver* progress) {
    if (!progress) return platform.engine(platform.packageFolder.c_str(), appDir.c_str(), system);
    ProgressPlan plan = PlanInstallation(platform.system, platform.packageFolder);
    ProgressInstallSystem observed(system, platform.packageFolder, appDir, plan, *progress);
    return platform.engine(platform.packageFolder.c_str(), appDir.c_str(), observed);
}

}  // namespace

InstallResult InstallAndLog(const RunPlatform& platform, const std::string& appDir, InstallLog& log,
                            ProgressObserver* progress, const std::function<void()>& whileStopped) {
    try {
        LoggingInstallSystem logging(platform.system, log);
        CopyRecorder system(logging);
        InstallSummary summary = RunObserved(platform, appDir, system, progress);
        // After everything the installation does; what fails here is named with the
        // files not installed, and no installed file is touched.
        if (platform.keepForRemoval && summary.filesCopied > 0)
            for (std::string& name : platform.keepForRemoval(appDir, system.Copied(), summary))
                summary.failedFiles.push_back(std::move(name));
        // The engine's holds last until the list is written.
        summary.holds.clear();
        CompletionMessage message =
            ChooseCompletionMessage(summary.NothingFound(), summary.failedFiles);
        log.Summary(summary, message.parts);
        int exitCode =
            ChooseExitCode(RunEnd::installed, summary.NothingFound(), summary.FailureCount());
        return {std::move(summary), message, exitCode};
    } catch (...) {
        log.InstallationStoppedByCurrentException();
        if (whileStopped) whileStopped();
        return {{}, {}, ChooseExitCode(RunEnd::installationAborted, false, 0), true};
    }
}

int RunSilently(const InstallerSwitches& switches, const RunPlatform& platform, InstallLog& log) {
    // A script whose variable came out empty asked for no folder in particular.
    if (switches.directoryGiven && switches.directory.empty()) {
        log.DirectoryRefused("/D= is empty");
        return Finish(log, ChooseExitCode(RunEnd::directoryRefused, false, 0));
    }
    bool given = !switches.directory.empty();
    std::optional<AppDirCheck> check;
    try {
        check = AcceptDirectory(
            given ? switches.directory : kProposedAppDir,
            given ? DirectorySource::commandLine : DirectorySource::proposed, platform,
            [&](const std::string& fullPath) { WriteConfigRecord(platform.recordPath, fullPath); },
            log);
    } catch (const CFileException&) {
        return Finish(log, ChooseExitCode(RunEnd::recordNotWritten, false, 0));
    }
    if (check->verdict == AppDirVerdict::runBusy)
        return Finish(log, ChooseExitCode(RunEnd::runBusy, false, 0));
    if (!check->Accepted()) return Finish(log, ChooseExitCode(RunEnd::directoryRefused, false, 0));
    return Finish(log,
                  InstallAndLog(platform, WithTrailingSeparator(check->fullPath), log).exitCode);
}

int RunWithDialog(const RunPlatform& platform, InstallLog& log, const DialogRunWindows& windows) {
    const DialogResult dialog = windows.askDirectory();
    switch (dialog.end) {
        case DialogResult::confirmed:
            break;
        case DialogResult::cancelled:
            log.Cancelled();
            return Finish(log, ChooseExitCode(RunEnd::cancelled, false, 0));
        case DialogResult::notShown:
            log.InstallationStopped("the dialog could not be shown");
            return Finish(log, ChooseExitCode(RunEnd::installationAborted, false, 0));
    }
    // The progress goes before any message: the result's or the exception's.
    std::unique_ptr<ProgressObserver> progress =
        windows.showProgress ? windows.showProgress() : nullptr;
    // The directory is carried whole; the engine deals with paths that do not fit.
    const InstallResult installed =
        InstallAndLog(platform, WithTrailingSeparator(dialog.fullPath), log, progress.get(), [&] {
            progress.reset();
            if (windows.reportStop) windows.reportStop();
        });
    progress.reset();
    if (!installed.stopped) windows.showResult(installed.message);
    return Finish(log, installed.exitCode);
}

}  // namespace tw
