// Every run of the program, from its switches to its exit code: the log, then
// the removal (/U), or the directory (the dialog, or /D= with /S), its acceptance
// and record, the installation and its message.
#pragma once

#include "app/command_line.h"
#include "app/exit_code.h"
#include "app/run_system.h"

namespace tw {

// A log that cannot be opened ends the run before anything is done (shown unless
// silent); otherwise the run's start is logged and the removal, the silent run or
// the run with the dialog follows.
ExitCode Run(const InstallerSwitches& switches, const RunSystem& system, RunWindows& windows);

}  // namespace tw
