#include "app/installation_run.h"

#include <optional>

#include "app/exit_code.h"
#include "app/logging_install_system.h"
#include "common/path_rules.h"
#include "config/config_writer.h"
#include "framework/ExceptionText.h"

namespace tw {

namespace {

int Finish(InstallLog& log, int exitCode) {
    log.Finished(exitCode);
    return exitCode;
}

}  // namespace

InstallResult InstallAndLog(const RunPlatform& platform, const std::string& appDir, InstallLog& log,
                            const std::function<void()>& whileStopped) {
    try {
        LoggingInstallSystem system(platform.system, log);
        InstallSummary summary =
            platform.engine(platform.packageFolder.c_str(), appDir.c_str(), system);
        CompletionMessage message =
            ChooseCompletionMessage(summary.NothingFound(), summary.failedFiles);
        log.Summary(summary, message.text);
        int exitCode =
            ChooseExitCode(RunEnd::installed, summary.NothingFound(), summary.FailureCount());
        return {summary, message, exitCode};
    } catch (...) {
        log.InstallationStopped(CurrentExceptionText().GetString());
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
    // The directory is carried whole; the engine deals with paths that do not fit.
    const InstallResult installed =
        InstallAndLog(platform, WithTrailingSeparator(dialog.fullPath), log, windows.reportStop);
    if (!installed.stopped) windows.showResult(installed.message);
    return Finish(log, installed.exitCode);
}

}  // namespace tw
