// The install log of /LOG=: one line per event of a run, appended to a file in
// UTF-8 (a new or empty file starts with the byte-order mark, so that Notepad shows
// the Chinese texts on any system). Names and paths arrive in the system's ANSI
// code page, the program's own texts (ProgramText) in code page 936; each part of
// a line is converted from its own. Control bytes of the texts are written
// visibly ("\x0A"), so that no text can start a line of its own. A log that cannot be opened for
// appending is reported to the run (which then ends before it writes anything); a
// write that fails later stays silent: nothing more of the run depends on it.
#pragma once

#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_lock.h"
#include "install/copy_outcome.h"
#include "install/folder_securing.h"
#include "install/install_summary.h"
#include "log/log_platform.h"

namespace tw {

enum class DirectorySource {
    proposed,     // "C:\Varnelquist": no /D= given
    commandLine,  // /D=
    dialog,       // confirmed in the dialog
};

// A part of a log line: a name or path in the system's ANSI code page, or, made
// with ProgramText, words of the program's own texts (code page 936).
struct LogText {
    LogText(const char* ansi) : text(ansi) {}
    LogText(std::string_view ansi) : text(ansi) {}
    LogText(const std::string& ansi) : text(ansi) {}
    LogText(std::string_view bytes, bool program) : text(bytes), programText(program) {}

    std::string_view text;
    bool programText = false;
};

inline LogText ProgramText(std::string_view text) { return {text, true}; }

// A piece of a message's text: the program's own words (code page 936) or the
// names of files (the system's ANSI code page). Each is turned into UTF-16 with
// its own code page before it is shown, and into UTF-8 for the log.
struct TextPart {
    std::string bytes;
    bool fileNames;
};

// The removal's events that name one thing (or nothing), in the order of its run.
enum class RemovalEvent {
    started,         // with the list's path
    noList,          // no installed-files list
    listUnreadable,  // a list that cannot be read, with its path
    answeredNo,      // to the question
    folderRemoved,
    recordRemoved,
    recordKept,       // not exactly the record of a directory removed
    changedFileKept,  // changed since it was installed: the user's now
    notRemoved,
    notUnregistered,  // a registered DLL whose file was gone
    entryRemoved,
    listRemoved,
    copyRemoved,    // the copy of the installer, not running, removed at once
    listRewritten,  // to name what is left after a failure
    listNotRewritten,
};

class InstallLog {
public:
    // An empty path makes a log that writes nothing.
    explicit InstallLog(const std::string& path);
    InstallLog(const InstallLog&) = delete;
    InstallLog& operator=(const InstallLog&) = delete;

    // True when a path was given and no file on disk could be opened there for
    // appending: a missing folder, a folder, a device, a file that is read-only or
    // held by another program.
    bool CannotBeOpened() const { return m_cannotBeOpened; }

    void Started(const std::tm& localTime, std::string_view packageFolder);
    void DirectoryChosen(std::string_view directoryText, DirectorySource source);
    void DirectoryRefused(std::string_view reason);
    // The directory the engine installs into.
    void DirectoryAccepted(std::string_view appDir);
    void Cancelled();
    void RecordWritten(std::string_view path);
    // The error's text as the user saw it: the program's words, the file's name.
    void RecordNotWritten(std::string_view path, const CFileException& error);
    void Copied(std::string_view source, std::string_view destination, CopyOutcome outcome);
    // A destination folder locked to administrators ("directory secured: <path>"),
    // or one whose rights could not be set; nothing for one that was locked already.
    void FolderSecured(std::string_view folder, const FolderSecuring& securing);
    // Each file of folder that no administrator owns, or the folder not listed.
    void UntrustedFilesFound(std::string_view folder, const UntrustedFiles& found);
    // A destination folder that is a link or cannot be opened: none of the pass's
    // copies into it is tried.
    void FolderNotHeld(std::string_view folder);
    // One registration: the tool's command line and how it ended.
    void Registration(const ::Registration& registration);
    void InstallationStopped(std::string_view what);
    // Call only inside a catch block: the text of the exception being handled, as
    // the framework's report shows it.
    void InstallationStoppedByCurrentException();
    // As InstallationStoppedByCurrentException, for the removal.
    void RemovalStoppedByCurrentException();
    // The counts, each path not installed, and the final message's text (Result).
    void Summary(const InstallSummary& summary, const std::vector<TextPart>& result);
    // The final message's text after "result: ": its second and later lines follow
    // as lines of their own.
    void Result(const std::vector<TextPart>& result);
    // The run lock not taken: busy ("another installation or removal is running"), or
    // failed, with its path and the system's error code.
    void RunLockNotTaken(const RunLock& lock, RunLockTaking taking);
    void Finished(int exitCode);

    // One of the removal's events, with the name it is about (none for some), or
    // one for each of names.
    void Removal(RemovalEvent event, std::string_view name = {});
    void Removal(RemovalEvent event, const std::vector<std::string>& names);
    // One unregistration: the tool's command line and how it ended.
    void Unregistration(const ::Registration& unregistration);
    void RemovalCounts(int removed, std::size_t changed, std::size_t notRemoved,
                       std::size_t notUnregistered);
    // The running copy of the installer, moved aside to restartName.
    void CopyMovedForRestart(std::string_view copy, std::string_view restartName);
    void KeptForAnotherRemoval(std::string_view entry, std::string_view list,
                               std::string_view copy);

private:
    // Joins the parts into one line, makes its control bytes visible, converts it
    // and appends it with CR LF.
    void Line(std::initializer_list<std::string_view> ansiParts);
    // A registration's or unregistration's line: kind, the command line, the end.
    void ToolRun(std::string_view kind, const ::Registration& run);
    // words, then the text of the exception being handled.
    void StoppedByCurrentException(std::string_view words);
    // Line, each part converted from its own code page.
    void MixedLine(std::initializer_list<LogText> parts);
    // part made visible and converted, added to line.
    static void AppendUtf8(std::string& line, const LogText& part);
    // Ends utf8 with CR LF and appends it to the file; a failure leaves as an exception.
    void WriteLine(std::string& utf8);
    void Line(const LogText* parts, std::size_t count);

    LogFile m_file;
    bool m_cannotBeOpened = false;
};

}  // namespace tw
