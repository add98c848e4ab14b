#include "app/installation_run.h"

#include <memory>
#include <optional>
#include <utility>

#include "app/commit_journal_run.h"
#include "app/install_log_events.h"
#include "common/path_rules.h"
#include "config/config_writer.h"
#include "config/record_snapshot.h"
#include "install/copy_recorder.h"
#include "install/install_progress.h"
#include "install/progress_plan.h"
#include "res/texts.h"
#include "uninstall/keep_for_removal.h"

namespace tw {

namespace {

// The registrations, the counts, each file not installed and the final message.
void LogInstallation(const InstallSummary& summary, const std::vector<TextPart>& result,
                     InstallLog& log) {
    for (const Registration& registration : summary.registrations)
        log.WriteToolRun(InstallLog::ToolRun::registration, registration);
    log.Write<LogEvent::installationSummary>(summary.filesCopied, summary.failedFiles.size(),
                                             summary.registrations.size());
    log.WriteEach<LogEvent::notInstalled>(summary.failedFiles);
    if (summary.undone) log.Write<LogEvent::installationUndone>();
    log.WriteResult(result);
}

// An installation undone gives the record back what it held before the run.
void RestoreRecordBefore(const RunSystem& system, InstallLog& log) {
    if (!system.recordBefore) return;
    if (RestoreRecord(system.recordPath, *system.recordBefore))
        log.Write<LogEvent::recordRestored>(system.recordPath);
    else
        log.Write<LogEvent::recordNotRestored>(system.recordPath);
}

}  // namespace

InstallResult InstallAndLog(const RunSystem& system, const std::string& appDir, InstallLog& log,
                            RunWindows* windows) {
    // The progress goes before any message: the result's or the exception's.
    std::unique_ptr<ProgressObserver> progress = windows ? windows->ShowProgress(nullptr) : nullptr;
    try {
        const std::string record = system.fullPath(system.recordPath).value_or(system.recordPath);
        JournaledInstallSystem journaled(system.install, system.store, record,
                                         system.keepForRemoval ? system.recordBefore : nullptr,
                                         log);
        // The log, the list and, with windows, the progress hear every step.
        InstallLogEvents logged(log);
        CopyRecorder recorder;
        std::optional<InstallProgress> shown;
        if (progress)
            shown.emplace(system.packageFolder, appDir,
                          PlanInstallation(system.install, system.packageFolder), *progress);
        InstallEventsFanOut events(logged, recorder, shown ? &*shown : nullptr);
        InstallSummary summary = system.engine.InstallDriverFiles(
            system.packageFolder.c_str(), appDir.c_str(),
            system.keepForRemoval ? journaled : system.install, events);
        if (summary.undone) {
            RestoreRecordBefore(system, log);
            journaled.Clear();
        }
        // After everything the installation does; what fails here is named with the
        // files not installed, and no installed file is touched.
        if (system.keepForRemoval && summary.filesCopied > 0) {
            const InstalledRun run{appDir, record, recorder.Copied(), &summary,
                                   TW_TEXT_UNINSTALL_DISPLAY_NAME};
            KeptList kept = KeepListForRemoval(run, system.store);
            // The list names the new files: from here on, a kill leaves them in place.
            journaled.MakeFinal();
            if (kept.listedBytes)
                for (std::string& name : KeepEntryForRemoval(run, *kept.listedBytes, system.store))
                    kept.failed.push_back(std::move(name));
            for (std::string& name : kept.failed) summary.failedFiles.push_back(std::move(name));
        }
        // The engine's holds last until the list is written; the files set aside go
        // with them once the journal says the commit is final.
        journaled.MakeFinal();
        summary.holds.clear();
        journaled.Clear();
        // Only now is it known whether a file set aside waits for the restart.
        const bool restart = *summary.restartPending;
        CompletionMessage message =
            summary.undone
                ? UndoneMessage(summary.failedFiles)
                : ChooseCompletionMessage(summary.NothingFound(), summary.failedFiles, restart);
        LogInstallation(summary, message.parts, log);
        // As the message: a run that failed in any way never ends as installed.
        const bool failed = summary.NothingFound() || summary.FailureCount() > 0;
        const ExitCode code =
            failed ? ExitCode::failed : (restart ? ExitCode::restartPending : ExitCode::installed);
        return {std::move(summary), message, code};
    } catch (...) {
        log.WriteStopByCurrentException();
        progress.reset();
        if (windows) windows->ReportStop();
        return {{}, {}, ExitCode::failed, true};
    }
}

ExitCode RunSilently(const InstallerSwitches& switches, const RunSystem& system, InstallLog& log) {
    // A script whose variable came out empty asked for no folder in particular.
    if (switches.directoryGiven && switches.directory.empty()) {
        log.Write<LogEvent::directoryRefused>("/D= is empty");
        return Finish(log, ExitCode::failed);
    }
    bool given = !switches.directory.empty();
    std::optional<AppDirCheck> check;
    try {
        check = AcceptDirectory(
            given ? switches.directory : kProposedAppDir,
            given ? DirectorySource::commandLine : DirectorySource::proposed, system,
            [&](const std::string& fullPath) { WriteConfigRecord(system.recordPath, fullPath); },
            log);
    } catch (const CFileException&) {
        return Finish(log, ExitCode::failed);
    }
    if (check->verdict == AppDirVerdict::runBusy) return Finish(log, ExitCode::alreadyRunning);
    if (!check->Accepted()) return Finish(log, ExitCode::failed);
    return Finish(log, InstallAndLog(system, WithTrailingSeparator(check->fullPath), log).exitCode);
}

ExitCode RunWithDialog(const InstallerSwitches& switches, const RunSystem& system,
                       RunWindows& windows, InstallLog& log) {
    const DialogResult dialog = windows.AskDirectory(
        switches.directory.empty() ? kProposedAppDir : switches.directory, system, log);
    switch (dialog.end) {
        case DialogResult::confirmed:
            break;
        case DialogResult::cancelled:
            log.Write<LogEvent::cancelled>();
            return Finish(log, ExitCode::cancelled);
        case DialogResult::notShown:
            log.Write<LogEvent::installationStopped>("the dialog could not be shown");
            return Finish(log, ExitCode::failed);
    }
    // The directory is carried whole; the engine deals with paths that do not fit.
    const InstallResult installed =
        InstallAndLog(system, WithTrailingSeparator(dialog.fullPath), log, &windows);
    if (!installed.stopped) windows.Show(installed.message);
    return Finish(log, installed.exitCode);
}

}  // namespace tw
