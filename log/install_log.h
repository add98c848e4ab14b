// The install log of /LOG=: one line per event of a run, appended to a file in
// UTF-8 (a new or empty file starts with the byte-order mark, so that Notepad shows
// the Chinese texts on any system). Texts arrive in the ANSI code page and are
// converted line by line. Control bytes of the texts are written visibly ("\x0A"),
// so that no text can start a line of its own. A log that cannot be opened for
// appending is reported to the run (which then ends before it writes anything); a
// write that fails later stays silent: nothing more of the run depends on it.
#pragma once

#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "log/log_platform.h"
#include "install/copy_outcome.h"
#include "install/folder_securing.h"
#include "install/install_summary.h"

namespace tw {

enum class DirectorySource {
    proposed,     // "C:\Varnelquist": no /D= given
    commandLine,  // /D=
    dialog,       // confirmed in the dialog
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
    void RecordNotWritten(std::string_view path, const CFileException& error);
    void Copied(std::string_view source, std::string_view destination, CopyOutcome outcome);
    // A destination folder locked to administrators ("directory secured: <path>"),
    // or one whose rights could not be set; nothing for one that was locked already.
    void FolderSecured(std::string_view folder, const FolderSecuring& securing);
    // Each file of folder that no administrator owns, or the folder not listed.
    void UntrustedFilesFound(std::string_view folder, const UntrustedFiles& found);
    // One registration: the tool's command line and how it ended.
    void Registration(const ::Registration& registration);
    void InstallationStopped(std::string_view what);
    // The counts, each path not installed, and the final message's text (its
    // second and later lines follow the "result:" line as lines of their own).
    void Summary(const InstallSummary& summary, std::string_view resultText);
    void Finished(int exitCode);

    // Joins the parts into one line, makes its control bytes visible, converts it
    // and appends it with CR LF. For the events of runs other than the
    // installation (the removal) too.
    void Line(std::initializer_list<std::string_view> ansiParts);

private:
    LogFile m_file;
    bool m_cannotBeOpened = false;
};

}  // namespace tw
