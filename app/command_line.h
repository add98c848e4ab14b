// The installer's switches, read from the command line as the process got it (in
// the ANSI code page, the program's name first):
//   /S          silent: no dialog, no message box, the outcome in the exit code;
//   /D=<dir>    the application directory: everything after "/D=" to the end of
//               the line, so it comes last and may hold blanks without quotes;
//   /LOG=<file> append a log of the run to that file;
//   /U          remove what installations put on the machine (with /S: silently).
// Switches are recognised case-insensitively; any other argument is ignored.
#pragma once

#include <string>
#include <string_view>

namespace tw {

struct InstallerSwitches {
    bool silent = false;
    // Without the quotes around the value or around the whole switch and without
    // blanks at either end. Empty when not given; an empty "/D=" counts as not
    // given, so the proposed directory stays.
    std::string directory;
    // Quotes removed as for any argument ("/LOG=C:\My Logs\a.log" in quotes, or
    // /LOG="C:\My Logs\a.log"). Empty when not given or given empty: no log. The
    // last /LOG= before /D= wins.
    std::string logPath;
    // /U: the removal instead of an installation.
    bool uninstall = false;

    friend bool operator==(const InstallerSwitches&, const InstallerSwitches&) = default;
};

// Arguments are separated by blanks and tabs; double quotes group blanks into an
// argument and are dropped. A code page 936 double-byte character is never split,
// so its trail byte is never read as a quote, a blank or part of a switch.
InstallerSwitches ParseInstallerSwitches(std::string_view commandLine);

}  // namespace tw
