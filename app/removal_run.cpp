#include "app/removal_run.h"

#include <memory>
#include <optional>
#include <string>

#include "app/exit_code.h"
#include "res/texts.h"
#include "uninstall/installed_list.h"

namespace tw {

namespace {

int Finish(InstallLog& log, int exitCode) {
    log.Finished(exitCode);
    return exitCode;
}

void LogRemoval(const RemovalSummary& summary, InstallLog& log) {
    for (const Registration& unregistration : summary.unregistrations) {
        const std::string commandLine =
            "\"" + unregistration.toolPath + "\" " + unregistration.parameters;
        switch (unregistration.outcome) {
            case RegistrationOutcome::exited:
                log.Line({"unregistration: ", commandLine, ": exit code ",
                          std::to_string(unregistration.exitCode)});
                break;
            case RegistrationOutcome::stillRunning:
                log.Line({"unregistration: ", commandLine, ": still running when the wait ended"});
                break;
            case RegistrationOutcome::notStarted:
                log.Line({"unregistration: ", commandLine, ": not started"});
                break;
        }
    }
    for (const std::string& folder : summary.foldersRemoved) log.Line({"folder removed: ", folder});
    for (const std::string& record : summary.recordsRemoved) log.Line({"record removed: ", record});
    for (const std::string& record : summary.recordsKept)
        log.Line({"record kept: ", record, " (not exactly the record of a directory removed)"});
    for (const std::string& path : summary.changedFiles)
        log.Line({"kept, changed since it was installed: ", path});
    for (const std::string& path : summary.failedFiles) log.Line({"not removed: ", path});
    for (const std::string& path : summary.notUnregistered)
        log.Line({"not unregistered: ", path, " (missing or changed since it was installed)"});
    log.Line({"summary: files removed ", std::to_string(summary.filesRemoved), ", changed ",
              std::to_string(summary.changedFiles.size()), ", not removed ",
              std::to_string(summary.failedFiles.size()), ", not unregistered ",
              std::to_string(summary.notUnregistered.size())});
}

// The entry, the list and the copy go only after a complete removal: after a
// failure they stay, so that the removal can be run again for what is left.
std::vector<std::string> RemoveStore(RemovalStore& store, InstallLog& log) {
    std::vector<std::string> failed;
    if (store.RemoveEntry())
        log.Line({"entry removed: ", store.EntryName()});
    else
        failed.push_back(store.EntryName());
    if (store.RemoveList())
        log.Line({"list removed: ", store.ListPath()});
    else
        failed.push_back(store.ListPath());
    const CopyRemoval copy = store.RemoveCopyAtRestart();
    switch (copy.outcome) {
        case CopyRemoval::removed:
            log.Line({"copy of the installer: ", store.CopyPath(), " removed"});
            break;
        case CopyRemoval::atRestart:
            log.Line({"copy of the installer: ", store.CopyPath(), " moved to ", copy.restartName,
                      ", removed at the next restart"});
            break;
        case CopyRemoval::failed:
            failed.push_back(store.CopyPath());
            break;
    }
    for (const std::string& name : failed) log.Line({"not removed: ", name});
    return failed;
}

// The list as it is now; without one, that is logged and shown, and the run ends.
std::optional<InstalledList> ReadInstalledList(bool silent, const RemovalPlatform& platform,
                                               InstallLog& log) {
    std::string bytes;
    ListReading reading = platform.store.ReadList(bytes);
    std::optional<InstalledList> list;
    if (reading == ListReading::read) list = ParseInstalledList(bytes);
    if (!list) {
        log.Line({"removal: ", reading == ListReading::absent
                                   ? "no installed-files list"
                                   : "the installed-files list cannot be read"});
        if (!silent)
            platform.show(Message({{TW_TEXT_NOTHING_INSTALLED, false}}, TW_TEXT_ERROR_CAPTION,
                                  kBoxOk | kBoxIconExclamation));
    }
    return list;
}

// After a removal that failed, the list names only what is left to undo, so
// that a reinstallation adds to it and the next removal finishes the job. A list
// that cannot be rewritten stays as it was: it names all of that too.
void KeepWhatIsLeft(const InstalledList& left, RemovalStore& store, InstallLog& log) {
    std::optional<std::string> bytes = FormatInstalledList(left);
    if (bytes && store.WriteList(*bytes))
        log.Line({"list rewritten: ", store.ListPath()});
    else
        log.Line({"list not rewritten: ", store.ListPath()});
}

}  // namespace

CompletionMessage ChooseRemovalMessage(const std::vector<std::string>& kept) {
    if (kept.empty())
        return Message({{TW_TEXT_UNINSTALL_DONE, false}}, TW_TEXT_INFO_CAPTION, kBoxOk);
    return Message(WordsAndNamedFiles(TW_TEXT_UNINSTALL_INCOMPLETE, kept), TW_TEXT_ERROR_CAPTION,
                   kBoxOk | kBoxIconExclamation);
}

int RunRemoval(bool silent, const RemovalPlatform& platform, InstallLog& log) {
    log.Line({"removal: list ", platform.store.ListPath()});
    std::optional<InstalledList> list = ReadInstalledList(silent, platform, log);
    if (!list) return Finish(log, kExitFailed);
    if (!silent && !platform.ask(Message({{TW_TEXT_UNINSTALL_QUESTION, false}},
                                         TW_TEXT_INFO_CAPTION, kBoxYesNo))) {
        log.Line({"removal: answered No"});
        return Finish(log, kExitCancelled);
    }
    if (platform.runLock) {
        const RunLockTaking taking = platform.runLock->Take();
        if (taking != RunLockTaking::taken) log.RunLockNotTaken(*platform.runLock, taking);
        if (taking == RunLockTaking::busy) {
            if (!silent)
                platform.show(Message({{TW_TEXT_RUN_BUSY, false}}, TW_TEXT_ERROR_CAPTION,
                                      kBoxOk | kBoxIconExclamation));
            return Finish(log, kExitAlreadyRunning);
        }
        if (taking == RunLockTaking::failed) {
            CompletionMessage message = ChooseRemovalMessage({platform.runLock->Path()});
            log.Result(message.parts);
            if (!silent) platform.show(message);
            return Finish(log, kExitFailed);
        }
    }
    // The list may have changed while the question was shown: only what it names
    // now, under the lock, is removed.
    list = ReadInstalledList(silent, platform, log);
    if (!list) return Finish(log, kExitFailed);

    RemovalSummary summary;
    {
        std::unique_ptr<ProgressObserver> progress;
        if (!silent && platform.showProgress) progress = platform.showProgress();
        summary = RemoveInstalledFiles(*list, platform.system, platform.tools, progress.get());
    }
    LogRemoval(summary, log);
    std::vector<std::string> failed = summary.notUnregistered;
    for (const std::string& path : summary.failedFiles) failed.push_back(path);
    if (summary.Complete()) {
        for (std::string& name : RemoveStore(platform.store, log)) failed.push_back(name);
    } else {
        log.Line({"kept for another removal: ", platform.store.EntryName(), ", ",
                  platform.store.ListPath(), ", ", platform.store.CopyPath()});
        KeepWhatIsLeft(summary.left, platform.store, log);
    }

    std::vector<std::string> kept = summary.changedFiles;
    kept.insert(kept.end(), failed.begin(), failed.end());
    CompletionMessage message = ChooseRemovalMessage(kept);
    log.Result(message.parts);
    if (!silent) platform.show(message);
    return Finish(log, failed.empty() ? kExitInstalled : kExitFailed);
}

}  // namespace tw
