// Every run of the program, from its switches to its exit code.
#pragma once

#include "app/command_line.h"
#include "app/exit_code.h"
#include "app/run_system.h"

namespace tw {

// The log (one that cannot be opened ends the run, shown unless silent), then the
// removal (/U), or the directory (the dialog, or /D= with /S), its acceptance and
// record, the installation and its message.
ExitCode Run(const InstallerSwitches& switches, const RunSystem& system, RunWindows& windows);

}  // namespace tw
