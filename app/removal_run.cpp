#include "app/removal_run.h"

#include <memory>
#include <optional>
#include <string>

#include "app/commit_journal_run.h"
#include "res/texts.h"
#include "uninstall/installed_list.h"
#include "uninstall/removal.h"

namespace tw {

namespace {

void LogRemoval(const RemovalSummary& summary, InstallLog& log) {
    for (const Registration& unregistration : summary.unregistrations)
        log.WriteToolRun(InstallLog::ToolRun::unregistration, unregistration);
    log.WriteEach<LogEvent::folderNotInstalled>(summary.foldersNotInstalled);
    log.WriteEach<LogEvent::folderNotLocked>(summary.foldersNotLocked);
    log.WriteEach<LogEvent::untrustedFile>(summary.untrustedFiles);
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

// The program's words, with "%1" replaced by name when they hold it.
void ShowError(bool silent, RunWindows& windows, const char* words, std::string_view name = {}) {
    if (!silent)
        windows.Show(
            Message(NameInWords(words, name), TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation));
}

// The list as read; without one, that is logged and shown, and the run ends.
std::optional<InstalledList> InstalledListRead(ListReading reading, const std::string& bytes,
                                               bool silent, RemovalStore& store,
                                               RunWindows& windows, InstallLog& log) {
    std::optional<InstalledList> list;
    if (reading == ListReading::read) list = ParseInstalledList(bytes);
    if (!list && reading == ListReading::absent) {
        log.Write<LogEvent::noList>();
        ShowError(silent, windows, TW_TEXT_NOTHING_INSTALLED);
    } else if (!list) {
        // There is a list, but what it names is not known: nothing is removed, and
        // the user is not told that nothing is installed.
        log.Write<LogEvent::listUnreadable>(store.ListPath());
        ShowError(silent, windows, TW_TEXT_LIST_UNREADABLE, store.ListPath());
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

CompletionMessage ChooseRemovalMessage(const RemovalNames& names) {
    const bool failed = !names.failed.empty();
    std::vector<TextPart> parts =
        failed ? WordsAndNamedFiles(TW_TEXT_UNINSTALL_INCOMPLETE, names.failed)
               : std::vector<TextPart>{{TW_TEXT_UNINSTALL_DONE, false}};
    // Each further list after an empty line, under words of its own.
    auto add = [&](const char* words, const std::vector<std::string>& files) {
        if (files.empty()) return;
        for (TextPart& part : WordsAndNamedFiles(std::string("\n\n") + words, files))
            parts.push_back(std::move(part));
    };
    add(TW_TEXT_UNINSTALL_CHANGED_KEPT, names.changed);
    add(TW_TEXT_UNINSTALL_DLL_GONE, names.notUnregistered);
    if (failed)
        return Message(std::move(parts), TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation);
    const bool named = parts.size() > 1;
    return Message(std::move(parts), TW_TEXT_INFO_CAPTION,
                   named ? kBoxOk | kBoxIconInformation : kBoxOk);
}

namespace {

// Takes the run lock, then deals with a commit that a kill interrupted; the exit
// code when the lock cannot be taken.
std::optional<ExitCode> LockAndRecover(bool silent, const RunSystem& system, RunWindows& windows,
                                       InstallLog& log) {
    if (RunLock* lock = system.runLock) {
        const RunLockTaking taking = lock->Take();
        if (taking == RunLockTaking::busy) {
            log.Write<LogEvent::runBusy>();
            ShowError(silent, windows, TW_TEXT_RUN_BUSY);
            return Finish(log, ExitCode::alreadyRunning);
        }
        if (taking == RunLockTaking::failed) {
            log.Write<LogEvent::runLockNotTaken>(lock->Path(), lock->Error());
            // Said as such: the lock is no installed file, and nothing was removed.
            ShowError(silent, windows, TW_TEXT_RUN_LOCK_NOT_TAKEN, lock->Path());
            return Finish(log, ExitCode::failed);
        }
    }
    const std::optional<std::string> record =
        system.fullPath ? system.fullPath(system.recordPath) : std::nullopt;
    RecoverInterruptedCommit(system.store, system.install,
                             record.value_or(system.recordPath ? system.recordPath : ""), log);
    return std::nullopt;
}

// The removal's steps; RunRemoval guards them.
ExitCode Remove(bool silent, const RunSystem& system, RunWindows& windows, InstallLog& log) {
    log.Write<LogEvent::removalStarted>(system.store.ListPath());
    // A first installation killed during its commit leaves a journal but no list:
    // its files are put back before the run says that nothing is installed.
    std::string bytes, journal;
    ListReading reading = system.store.ReadList(bytes);
    if (reading == ListReading::absent &&
        system.store.ReadJournal(journal) != ListReading::absent) {
        if (std::optional<ExitCode> stopped = LockAndRecover(silent, system, windows, log))
            return *stopped;
        reading = system.store.ReadList(bytes);
    }
    std::optional<InstalledList> list =
        InstalledListRead(reading, bytes, silent, system.store, windows, log);
    if (!list) return Finish(log, ExitCode::failed);
    if (!silent && !windows.Ask(Message({{TW_TEXT_UNINSTALL_QUESTION, false}}, TW_TEXT_INFO_CAPTION,
                                        kBoxYesNo))) {
        log.Write<LogEvent::answeredNo>();
        return Finish(log, ExitCode::cancelled);
    }
    // The list may have changed while the question was shown: only what it names
    // now, under the lock, is removed.
    if (std::optional<ExitCode> stopped = LockAndRecover(silent, system, windows, log))
        return *stopped;
    reading = system.store.ReadList(bytes);
    list = InstalledListRead(reading, bytes, silent, system.store, windows, log);
    if (!list) return Finish(log, ExitCode::failed);

    RemovalSummary summary;
    {
        std::unique_ptr<ProgressObserver> progress;
        if (!silent) progress = windows.ShowProgress(TW_TEXT_REMOVAL_PROGRESS_CAPTION);
        RemovalEvents unseen;
        std::optional<RemovalProgress> shown;
        if (progress) shown.emplace(*list, *progress);
        summary =
            RemoveInstalledFiles(*list, system.removal, system.install, shown ? *shown : unseen);
    }
    LogRemoval(summary, log);
    std::vector<std::string> failed = summary.failedFiles;
    if (summary.Complete()) {
        for (std::string& name : RemoveStore(system.store, log)) failed.push_back(name);
    } else {
        log.Write<LogEvent::keptForAnotherRemoval>(
            system.store.EntryName(), system.store.ListPath(), system.store.CopyPath());
        KeepWhatIsLeft(summary.left, system.store, log);
    }

    const bool complete = failed.empty();
    CompletionMessage message =
        ChooseRemovalMessage({std::move(failed), summary.changedFiles, summary.notUnregistered});
    log.WriteResult(message.parts);
    if (!silent) windows.Show(message);
    return Finish(log, complete ? ExitCode::installed : ExitCode::failed);
}

}  // namespace

ExitCode RunRemoval(bool silent, const RunSystem& system, RunWindows& windows, InstallLog& log) {
    // As the installation: whatever stops the removal is logged and reported, and
    // it ends with 1603. The progress window is gone by then, with Remove's frame.
    try {
        return Remove(silent, system, windows, log);
    } catch (...) {
        log.WriteStopByCurrentException(InstallLog::Stopped::removal);
        if (!silent) windows.ReportStop();
        return Finish(log, ExitCode::failed);
    }
}

}  // namespace tw
