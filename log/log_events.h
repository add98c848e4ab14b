// Every line the install log can write, and its text: the words of the line, with
// "{}" where a name, a path or a number goes, in the order they are given.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

namespace tw {

// In the order of a run: the installation's events, then the removal's.
enum class LogEvent {
    started,
    packageFolder,
    directoryProposed,
    directoryFromCommandLine,
    directoryConfirmed,
    directoryRefused,
    directoryAccepted,
    runBusy,
    runLockNotTaken,
    commitUndone,        // a commit a kill interrupted: the directory, the files put back
    commitFinished,      // a commit killed once final: its set-aside files deleted
    commitNotRecovered,  // a file or folder of such a commit
    journalRefused,
    journalNotWritten,
    recordWritten,
    recordNotWritten,  // the path, the error's text in three parts, the system's code
    cancelled,
    notHeld,
    directorySecured,
    directoryNotSecured,
    directoryNotChecked,
    notTrusted,  // the folder, then the file's name
    copied,
    copyFailed,
    notPutInPlace,       // the destination, the system's code
    replacedAtRestart,   // a destination held without delete sharing
    registrationExited,  // the tool's path, its parameters, the exit code
    registrationStillRunning,
    registrationNotStarted,
    registrationAtRestart,
    setAsideDeletedAtRestart,  // a file set aside that was still in use
    installationSummary,
    notInstalled,
    installationUndone,
    recordRestored,
    recordNotRestored,
    installationStopped,
    installationStoppedByFileError,  // the error's text in three parts
    removalStarted,
    noList,
    listUnreadable,
    answeredNo,
    unregistrationExited,
    unregistrationStillRunning,
    unregistrationNotStarted,
    folderRemoved,
    recordRemoved,
    recordKept,
    changedFileKept,
    notRemoved,
    notUnregistered,
    folderNotInstalled,  // another folder at a listed folder's path
    folderNotLocked,     // a listed folder others may change now
    untrustedFile,       // no tool starts in its folder
    removalSummary,
    entryRemoved,
    listRemoved,
    copyRemoved,  // the copy of the installer, not running, removed at once
    copyMovedForRestart,
    keptForAnotherRemoval,  // the entry, the list, the copy
    listRewritten,          // to name what is left after a failure
    listNotRewritten,
    removalStopped,
    removalStoppedByFileError,  // the error's text in three parts
    result,                     // the final message's text, over several lines when it has them
    exitCode,
};

struct EventText {
    LogEvent event;
    std::string_view text;
};

inline constexpr EventText kEventTexts[] = {
    {LogEvent::started, "start: {}"},
    {LogEvent::packageFolder, "package folder: {}"},
    {LogEvent::directoryProposed, "directory: {} (proposed)"},
    {LogEvent::directoryFromCommandLine, "directory: {} (from /D=)"},
    {LogEvent::directoryConfirmed, "directory: {} (confirmed in the dialog)"},
    {LogEvent::directoryRefused, "directory refused: {}"},
    {LogEvent::directoryAccepted, "directory accepted: {}"},
    {LogEvent::runBusy, "another installation or removal is running"},
    {LogEvent::runLockNotTaken, "run lock: {} not taken (system error {})"},
    {LogEvent::commitUndone, "interrupted commit undone: {} ({} files put back)"},
    {LogEvent::commitFinished, "interrupted commit finished: {} (files set aside deleted)"},
    {LogEvent::commitNotRecovered, "interrupted commit: {} not recovered"},
    {LogEvent::journalRefused, "commit journal refused: {} (no file touched)"},
    {LogEvent::journalNotWritten, "commit journal not written: {}"},
    {LogEvent::recordWritten, "record: {} written"},
    {LogEvent::recordNotWritten, "record: {} not written: {}{}{} (system error {})"},
    {LogEvent::cancelled, "cancelled in the dialog"},
    {LogEvent::notHeld, "not held: {} (a link, or it cannot be opened): no copy into it is tried"},
    {LogEvent::directorySecured, "directory secured: {}"},
    {LogEvent::directoryNotSecured, "directory not secured: {} (system error {})"},
    {LogEvent::directoryNotChecked, "directory not checked: {} (system error {})"},
    {LogEvent::notTrusted, "not trusted: {}{} (owned by no administrator)"},
    {LogEvent::copied, "copy: {} -> {}: ok"},
    {LogEvent::copyFailed, "copy: {} -> {}: failed (system error {})"},
    {LogEvent::notPutInPlace, "commit: {} not put in place (system error {})"},
    {LogEvent::replacedAtRestart, "replaced at the next restart: {}"},
    {LogEvent::registrationExited, "registration: \"{}\" {}: exit code {}"},
    {LogEvent::registrationStillRunning,
     "registration: \"{}\" {}: still running when the wait ended"},
    {LogEvent::registrationNotStarted, "registration: \"{}\" {}: not started"},
    {LogEvent::registrationAtRestart,
     "registration: \"{}\" {}: at the next restart (once its DLL is in place)"},
    {LogEvent::setAsideDeletedAtRestart, "in use: {} deleted at the next restart"},
    {LogEvent::installationSummary, "summary: files copied {}, not installed {}, registrations {}"},
    {LogEvent::notInstalled, "not installed: {}"},
    {LogEvent::installationUndone, "installation undone: nothing changed"},
    {LogEvent::recordRestored, "record: {} restored"},
    {LogEvent::recordNotRestored, "record: {} not restored"},
    {LogEvent::installationStopped, "installation stopped: {}"},
    {LogEvent::installationStoppedByFileError, "installation stopped: {}{}{}"},
    {LogEvent::removalStarted, "removal: list {}"},
    {LogEvent::noList, "removal: no installed-files list"},
    {LogEvent::listUnreadable, "removal: the installed-files list cannot be read: {}"},
    {LogEvent::answeredNo, "removal: answered No"},
    {LogEvent::unregistrationExited, "unregistration: \"{}\" {}: exit code {}"},
    {LogEvent::unregistrationStillRunning,
     "unregistration: \"{}\" {}: still running when the wait ended"},
    {LogEvent::unregistrationNotStarted, "unregistration: \"{}\" {}: not started"},
    {LogEvent::folderRemoved, "folder removed: {}"},
    {LogEvent::recordRemoved, "record removed: {}"},
    {LogEvent::recordKept, "record kept: {} (not exactly the record of a directory removed)"},
    {LogEvent::changedFileKept, "kept, changed since it was installed: {}"},
    {LogEvent::notRemoved, "not removed: {}"},
    {LogEvent::notUnregistered, "not unregistered: {} (the file was gone: its registration stays)"},
    {LogEvent::folderNotInstalled,
     "not the folder installed: {} (nothing in it was started or removed)"},
    {LogEvent::folderNotLocked,
     "no longer locked to administrators: {} (nothing in it was started or removed)"},
    {LogEvent::untrustedFile, "owned by no administrator: {} (no tool was started beside it)"},
    {LogEvent::removalSummary,
     "summary: files removed {}, changed {}, not removed {}, not unregistered {}"},
    {LogEvent::entryRemoved, "entry removed: {}"},
    {LogEvent::listRemoved, "list removed: {}"},
    {LogEvent::copyRemoved, "copy of the installer: {} removed"},
    {LogEvent::copyMovedForRestart,
     "copy of the installer: {} moved to {}, removed at the next restart"},
    {LogEvent::keptForAnotherRemoval, "kept for another removal: {}, {}, {}"},
    {LogEvent::listRewritten, "list rewritten: {}"},
    {LogEvent::listNotRewritten, "list not rewritten: {}"},
    {LogEvent::removalStopped, "removal stopped: {}"},
    {LogEvent::removalStoppedByFileError, "removal stopped: {}{}{}"},
    {LogEvent::result, "result: {}"},
    {LogEvent::exitCode, "exit code: {}"},
};

constexpr bool EveryEventInItsPlace() {
    for (std::size_t i = 0; i < std::size(kEventTexts); ++i)
        if (kEventTexts[i].event != static_cast<LogEvent>(i)) return false;
    return std::size(kEventTexts) == static_cast<std::size_t>(LogEvent::exitCode) + 1;
}
static_assert(EveryEventInItsPlace(), "kEventTexts lists each event once, in the enum's order");

constexpr std::string_view TextOf(LogEvent event) {
    return kEventTexts[static_cast<std::size_t>(event)].text;
}

// How many values the event's line takes.
constexpr std::size_t HoleCount(std::string_view text) {
    std::size_t holes = 0;
    for (std::size_t at = text.find("{}"); at != std::string_view::npos; at = text.find("{}", at))
        ++holes, at += 2;
    return holes;
}

}  // namespace tw
