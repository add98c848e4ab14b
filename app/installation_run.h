// The installation's steps after start-up: the silent run from its directory to
// its exit code, and the run with the dialog around the dialog itself. Both take
// the directory through AcceptDirectory (the dialog from its OK handler) and
// install through InstallAndLog.
#pragma once

#include <string>

#include "app/command_line.h"
#include "app/completion_message.h"
#include "app/exit_code.h"
#include "app/run_system.h"
#include "install/install_summary.h"
#include "log/install_log.h"

namespace tw {

constexpr const char* kProposedAppDir = "C:\\Varnelquist";

struct InstallResult {
    InstallSummary summary;
    CompletionMessage message;  // what a run with a dialog shows
    ExitCode exitCode;
    bool stopped = false;  // ended on an exception: no summary, no message
};

// The engine from the package folder into appDir (ending in "\"), each copy
// logged; what the removal needs kept; then the summary and the result logged.
// With windows, the progress is shown (the package planned first and every step
// shown to it) and let go at the end; an exception that stops the installation is
// logged with its text and, with windows, reported while it is still handled,
// after the progress and the installation's own objects went.
InstallResult InstallAndLog(const RunSystem& system, const std::string& appDir, InstallLog& log,
                            RunWindows* windows = nullptr);

// A run without dialog or message: the directory of /D= (else the proposed one)
// through AcceptDirectory, then the installation; the exit code logged. An empty
// /D=, a refused directory, a run lock held by another run (1618) or an unwritten
// record ends the run before anything is installed.
ExitCode RunSilently(const InstallerSwitches& switches, const RunSystem& system, InstallLog& log);

// A run with the dialog (preset with /D=, else the proposed directory), then the
// installation into the confirmed directory and its final message; the exit code
// logged.
ExitCode RunWithDialog(const InstallerSwitches& switches, const RunSystem& system,
                       RunWindows& windows, InstallLog& log);

}  // namespace tw
