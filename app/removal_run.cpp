#include "app/removal_run.h"

#include <memory>
#include <optional>
#include <string>

#include "res/texts.h"
#include "uninstall/installed_list.h"
#include "uninstall/removal.h"

namespace tw {

namespace {

void LogRemoval(const RemovalSummary& summary, InstallLog& log) {
    for (const Registration& unregistration : summary.unregistrations)
        log.WriteToolRun(InstallLog::ToolRun::unregistration, unregistration);
    log.WriteEach<LogEvent::folderRemoved>(summary.foldersRemoved);
    log.WriteEach<LogEvent::recordRemoved>(summary.recordsRemoved);
    log.WriteEach<LogEvent::recordKept>(summary.recordsKept);
    log.WriteEach<LogEvent::changedFileKept>(summary.changedFiles);
    log.WriteEach<LogEvent::notRemoved>(summary.failedFiles);
    log.WriteEach<LogEvent::notUnregistered>(summary.notUnregistered);
    log.Write<LogEvent::removalSummary>(summary.filesRemoved, summary.changedFiles.size(),
                                        summary.failedFiles.size(), summary.notUnregistered.size());
}

// The entry, the list and the copy go only after a complete removal: after a
// failure they stay, so that the removal can be run again for what is left.
std::vector<std::string> RemoveStore(RemovalStore& store, InstallLog& log) {
    std::vector<std::string> failed;
    if (store.RemoveEntry())
        log.Write<LogEvent::entryRemoved>(store.EntryName());
    else
        failed.push_back(store.EntryName());
    if (store.RemoveList())
        log.Write<LogEvent::listRemoved>(store.ListPath());
    else
        failed.push_back(store.ListPath());
    const CopyRemoval copy = store.RemoveCopyAtRestart();
    switch (copy.outcome) {
        case CopyRemoval::removed:
            log.Write<LogEvent::copyRemoved>(store.CopyPath());
            break;
        case CopyRemoval::atRestart:
            log.Write<LogEvent::copyMovedForRestart>(store.CopyPath(), copy.restartName);
            break;
        case CopyRemoval::failed:
            failed.push_back(store.CopyPath());
            break;
    }
    log.WriteEach<LogEvent::notRemoved>(failed);
    return failed;
}

void ShowError(bool silent, RunWindows& windows, const char* text) {
    if (!silent)
        windows.Show(Message({{text, false}}, TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation));
}

// The list as it is now; without one, that is logged and shown, and the run ends.
std::optional<InstalledList> ReadInstalledList(bool silent, RemovalStore& store,
                                               RunWindows& windows, InstallLog& log) {
    std::string bytes;
    ListReading reading = store.ReadList(bytes);
    std::optional<InstalledList> list;
    if (reading == ListReading::read) list = ParseInstalledList(bytes);
    if (!list) {
        if (reading == ListReading::absent)
            log.Write<LogEvent::noList>();
        else
            log.Write<LogEvent::listUnreadable>();
        ShowError(silent, windows, TW_TEXT_NOTHING_INSTALLED);
    }
    return list;
}

// After a removal that failed, the list names only what is left to undo, so
// that a reinstallation adds to it and the next removal finishes the job. A list
// that cannot be rewritten stays as it was: it names all of that too.
void KeepWhatIsLeft(const InstalledList& left, RemovalStore& store, InstallLog& log) {
    std::optional<std::string> bytes = FormatInstalledList(left);
    if (bytes && store.WriteList(*bytes))
        log.Write<LogEvent::listRewritten>(store.ListPath());
    else
        log.Write<LogEvent::listNotRewritten>(store.ListPath());
}

}  // namespace

CompletionMessage ChooseRemovalMessage(const std::vector<std::string>& kept) {
    if (kept.empty())
        return Message({{TW_TEXT_UNINSTALL_DONE, false}}, TW_TEXT_INFO_CAPTION, kBoxOk);
    return Message(WordsAndNamedFiles(TW_TEXT_UNINSTALL_INCOMPLETE, kept), TW_TEXT_ERROR_CAPTION,
                   kBoxOk | kBoxIconExclamation);
}

ExitCode RunRemoval(bool silent, const RunSystem& system, RunWindows& windows, InstallLog& log) {
    log.Write<LogEvent::removalStarted>(system.store.ListPath());
    std::optional<InstalledList> list = ReadInstalledList(silent, system.store, windows, log);
    if (!list) return Finish(log, ExitCode::failed);
    if (!silent && !windows.Ask(Message({{TW_TEXT_UNINSTALL_QUESTION, false}}, TW_TEXT_INFO_CAPTION,
                                        kBoxYesNo))) {
        log.Write<LogEvent::answeredNo>();
        return Finish(log, ExitCode::cancelled);
    }
    if (RunLock* lock = system.runLock) {
        const RunLockTaking taking = lock->Take();
        if (taking == RunLockTaking::busy) {
            log.Write<LogEvent::runBusy>();
            ShowError(silent, windows, TW_TEXT_RUN_BUSY);
            return Finish(log, ExitCode::alreadyRunning);
        }
        if (taking == RunLockTaking::failed) {
            log.Write<LogEvent::runLockNotTaken>(lock->Path(), lock->Error());
            CompletionMessage message = ChooseRemovalMessage({lock->Path()});
            log.WriteResult(message.parts);
            if (!silent) windows.Show(message);
            return Finish(log, ExitCode::failed);
        }
    }
    // The list may have changed while the question was shown: only what it names
    // now, under the lock, is removed.
    list = ReadInstalledList(silent, system.store, windows, log);
    if (!list) return Finish(log, ExitCode::failed);

    RemovalSummary summary;
    {
        std::unique_ptr<ProgressObserver> progress;
        if (!silent) progress = windows.ShowProgress(TW_TEXT_REMOVAL_PROGRESS_CAPTION);
        summary = RemoveInstalledFiles(*list, system.removal, system.install, progress.get());
    }
    LogRemoval(summary, log);
    std::vector<std::string> failed = summary.notUnregistered;
    for (const std::string& path : summary.failedFiles) failed.push_back(path);
    if (summary.Complete()) {
        for (std::string& name : RemoveStore(system.store, log)) failed.push_back(name);
    } else {
        log.Write<LogEvent::keptForAnotherRemoval>(
            system.store.EntryName(), system.store.ListPath(), system.store.CopyPath());
        KeepWhatIsLeft(summary.left, system.store, log);
    }

    std::vector<std::string> kept = summary.changedFiles;
    kept.insert(kept.end(), failed.begin(), failed.end());
    CompletionMessage message = ChooseRemovalMessage(kept);
    log.WriteResult(message.parts);
    if (!silent) windows.Show(message);
    return Finish(log, failed.empty() ? ExitCode::installed : ExitCode::failed);
}

}  // namespace tw
