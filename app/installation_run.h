// The run after start-up, without windows: the silent run from its directory to
// its exit code, and the run with the dialog around the dialog itself. Both take
// the directory through AcceptDirectory (the dialog from its OK handler) and
// install through InstallAndLog. Everything the platform provides is passed in,
// so both are tested off-target.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/completion_message.h"
#include "appdir/accept_directory.h"
#include "install/engine.h"
#include "install/install_summary.h"
#include "install/install_system.h"
#include "install/progress_observer.h"
#include "log/install_log.h"
#include "uninstall/copy_recorder.h"

namespace tw {

constexpr const char* kProposedAppDir = "C:\\Varnelquist";

// The installation engine as the run calls it: the program's own member, which
// keeps the system timer at 1 ms meanwhile, or the engine itself.
using InstallEngine =
    std::function<InstallSummary(CString sourceRoot, CString appDir, InstallSystem&)>;

// After an installation that copied at least one file, while the engine's holds
// last: keeps what its removal needs (appDir ends in "\"; copied: the completed
// copies with what each wrote) and returns the names of what could not be kept,
// which count as failures.
using RemovalKeeper = std::function<std::vector<std::string>(
    const std::string& appDir, const std::vector<CopiedFile>& copied, const InstallSummary&)>;

// What a run takes from the platform: the directory's platform (the package folder
// is the source of the installation) and the installation's.
struct RunPlatform : DirectoryPlatform {
    InstallSystem& system;
    InstallEngine engine = ::InstallDriverFiles;
    RemovalKeeper keepForRemoval = nullptr;  // none: nothing is kept
};

struct InstallResult {
    InstallSummary summary;
    CompletionMessage message;  // what a run with a dialog shows
    int exitCode;
    bool stopped = false;  // ended on an exception: no summary, no message
};

// The engine from the package folder into appDir (ending in "\"), each copy
// logged; what the removal needs kept; then the summary and the result logged.
// With progress, the package is planned first and every step shown to it. An
// exception that stops the installation is logged with its text, and
// whileStopped (when given) runs while it is still being handled, after the
// installation's own objects went.
InstallResult InstallAndLog(const RunPlatform& platform, const std::string& appDir, InstallLog& log,
                            ProgressObserver* progress = nullptr,
                            const std::function<void()>& whileStopped = {});

// A run without dialog or message: the directory of /D= (else the proposed one)
// through AcceptDirectory, then the installation; the exit code logged. An empty
// /D=, a refused directory, a run lock held by another run (1618) or an unwritten
// record ends the run before anything is installed. Returns the exit code.
int RunSilently(const InstallerSwitches& switches, const RunPlatform& platform, InstallLog& log);

// How the dialog ended; after confirmed, the accepted directory's full path.
struct DialogResult {
    enum End { confirmed, cancelled, notShown } end;
    std::string fullPath;
};

// What a run with the dialog does on the screen.
struct DialogRunWindows {
    // Runs the dialog, whose OK goes through AcceptDirectory with the run's log.
    std::function<DialogResult()> askDirectory;
    // Shows the final message of an installation that ran to its end.
    std::function<void(const CompletionMessage&)> showResult;
    // Reports the exception that stopped the installation, while it is handled.
    std::function<void()> reportStop;
    // Opens what shows the installation while it goes on (when given); it goes
    // before the final message or the report of the exception.
    std::function<std::unique_ptr<ProgressObserver>()> showProgress;
};

// A run with the dialog: the dialog, then the installation into the confirmed
// directory and its final message; the exit code logged. Returns the exit code.
int RunWithDialog(const RunPlatform& platform, InstallLog& log, const DialogRunWindows& windows);

}  // namespace tw
