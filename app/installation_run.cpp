#include "app/installation_run.h"

#include "app/exit_code.h"
#include "app/logging_install_system.h"
#include "common/path_rules.h"
#include "config/config_writer.h"
#include "install/engine.h"
#include "framework/afx_texts.h"

namespace tw {

namespace {

static_assert(kAppDirMaxBytes == 256);
const char* RefusalReason(AppDirVerdict verdict) {
    switch (verdict) {
        case AppDirVerdict::tooLong:
            return "longer than 256 bytes";
        case AppDirVerdict::packageFolder:
            return "the folder of the driver files";
        default:
            return "not an existing folder";
    }
}

int Finish(InstallLog& log, int exitCode) {
    log.Finished(exitCode);
    return exitCode;
}

}  // namespace

InstallSummary RunEngine(const std::string& sourceRoot, const std::string& appDir,
                         InstallSystem& system) {
    return InstallDriverFiles(sourceRoot.c_str(), appDir.c_str(), system);
}

InstallResult InstallAndLog(const RunPlatform& platform, const std::string& appDir,
                            InstallLog& log) {
    LoggingInstallSystem system(platform.system, log);
    InstallSummary summary = platform.engine(platform.sourceRoot, appDir, system);
    CompletionMessage message =
        ChooseCompletionMessage(summary.NothingFound(), summary.failedFiles);
    log.Summary(summary, message.text);
    int exitCode =
        ChooseExitCode(RunEnd::installed, summary.NothingFound(), summary.FailureCount());
    return {summary, message, exitCode};
}

int RunSilently(const InstallerSwitches& switches, const RunPlatform& platform, InstallLog& log) {
    // A script whose variable came out empty asked for no folder in particular.
    if (switches.directoryGiven && switches.directory.empty()) {
        log.DirectoryRefused("/D= is empty");
        return Finish(log, ChooseExitCode(RunEnd::directoryRefused, false, 0));
    }
    bool given = !switches.directory.empty();
    const std::string directoryText = given ? switches.directory : kProposedAppDir;
    log.DirectoryChosen(directoryText,
                        given ? DirectorySource::commandLine : DirectorySource::proposed);

    AppDirCheck check =
        CheckAppDir(directoryText, platform.lookup, platform.fullPath, platform.sourceRoot);
    if (!check.Accepted()) {
        log.DirectoryRefused(RefusalReason(check.verdict));
        return Finish(log, ChooseExitCode(RunEnd::directoryRefused, false, 0));
    }
    const std::string appDir = WithTrailingSeparator(check.fullPath);
    log.DirectoryAccepted(appDir);

    try {
        WriteConfigRecord(platform.recordPath, check.fullPath);
    } catch (const CFileException& error) {
        log.RecordNotWritten(platform.recordPath, error);
        return Finish(log, ChooseExitCode(RunEnd::recordNotWritten, false, 0));
    }
    log.RecordWritten(platform.recordPath);

    try {
        return Finish(log, InstallAndLog(platform, appDir, log).exitCode);
    } catch (...) {
        log.InstallationStopped(AFX_TEXT_UNEXPECTED_ERROR);
        return Finish(log, ChooseExitCode(RunEnd::installationAborted, false, 0));
    }
}

}  // namespace tw
