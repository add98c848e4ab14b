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

#include "common/path_rules.h"

namespace tw {

struct InstallerSwitches {
    bool silent = false;
    // Without the quotes around the value or around the whole switch and without
    // blanks at either end. Empty when not given or given empty.
    std::string directory;
    // Quotes removed as for any argument ("/LOG=C:\My Logs\a.log" in quotes, or
    // /LOG="C:\My Logs\a.log"). Empty when not given or given empty: no log. The
    // last /LOG= before /D= wins.
    std::string logPath;
    // True when "/D=" was given, even with nothing after it: a silent run refuses
    // an empty one, a run with the dialog shows the proposed directory.
    bool directoryGiven = false;
    // /U: the removal instead of an installation.
    bool uninstall = false;

    friend bool operator==(const InstallerSwitches&, const InstallerSwitches&) = default;
};

// Arguments are separated by blanks and tabs; double quotes group blanks into an
// argument and are dropped. A double-byte character of the system's code page
// (isLead tells its lead bytes) is never split, so its trail byte is never read as
// a separator or part of a switch; a lead byte takes the next byte along only when
// that can be a trail byte (0x40 to 0xFE but 0x7F), never a blank, a tab or a quote.
InstallerSwitches ParseInstallerSwitches(std::string_view commandLine,
                                         LeadBytePredicate isLead = IsSystemLeadByte);

}  // namespace tw
