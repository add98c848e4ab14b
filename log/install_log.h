// The install log of /LOG=: one line per event of a run, appended to a file in
// UTF-8 (a new or empty file starts with the byte-order mark, so that Notepad shows
// the Chinese texts on any system). Texts arrive in the ANSI code page and are
// converted line by line. A log that cannot be opened or written stays silent:
// nothing of the run depends on it.
#pragma once

#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "framework/File.h"
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

    void Started(const std::tm& localTime, std::string_view packageFolder);
    void DirectoryChosen(std::string_view directoryText, DirectorySource source);
    void DirectoryRefused(std::string_view reason);
    // The directory the engine installs into.
    void DirectoryAccepted(std::string_view appDir);
    void Cancelled();
    void RecordWritten(std::string_view path);
    void RecordNotWritten(std::string_view path, const CFileException& error);
    // systemError is read right after the copy; 0 for a copy that worked.
    void Copied(std::string_view source, std::string_view destination, bool copied,
                long systemError);
    // One registration: the tool's command line and how it ended.
    void Registration(const ::Registration& registration);
    void InstallationStopped(std::string_view what);
    // The counts, each path not installed, and the final message's text.
    void Summary(const InstallSummary& summary, std::string_view resultText);
    void Finished(int exitCode);

private:
    // Joins the parts into one line, converts it and appends it with CR LF.
    void Line(std::initializer_list<std::string_view> ansiParts);

    CFile m_file;
};

}  // namespace tw
