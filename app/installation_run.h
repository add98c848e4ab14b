// The run after start-up, without windows: the silent run from its directory to
// its exit code, and the installation step that the dialog's run shares with it.
// Everything the platform provides is passed in, so both are tested off-target.
#pragma once

#include <functional>
#include <string>

#include "app/command_line.h"
#include "app/completion_message.h"
#include "app/install_log.h"
#include "appdir/appdir_check.h"
#include "install/install_summary.h"
#include "install/install_system.h"

namespace tw {

constexpr const char* kProposedAppDir = "C:\\Varnelquist";

// The installation engine as the run calls it (the program wraps it in its
// timer scope).
using InstallEngine = std::function<InstallSummary(const std::string& sourceRoot,
                                                   const std::string& appDir, InstallSystem&)>;
InstallSummary RunEngine(const std::string& sourceRoot, const std::string& appDir,
                         InstallSystem& system);

// What a run takes from the platform.
struct RunPlatform {
    std::string sourceRoot;     // the current directory, the package folder
    const char* recordPath;     // where the configuration record goes
    EntryLookup lookup;         // the file search of the OK decision
    FullPathFunction fullPath;  // the directory made whole against the current directory
    InstallSystem& system;
    InstallEngine engine = RunEngine;
};

struct InstallResult {
    InstallSummary summary;
    CompletionMessage message;  // what a run with a dialog shows
    int exitCode;
};

// The engine from the package folder into appDir (ending in "\"), each copy
// logged; then the summary and the result logged. An exception of the engine
// passes through, unlogged.
InstallResult InstallAndLog(const RunPlatform& platform, const std::string& appDir,
                            InstallLog& log);

// A run without dialog or message: the directory of /D= (else the proposed one)
// through the OK decision, the record, the engine; every step and the exit code
// logged. An empty /D=, a refused directory or an unwritten record ends the run
// before anything is installed. Returns the exit code.
int RunSilently(const InstallerSwitches& switches, const RunPlatform& platform, InstallLog& log);

}  // namespace tw
