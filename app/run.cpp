#include "app/run.h"

#include <ctime>

#include "app/completion_message.h"
#include "app/installation_run.h"
#include "app/removal_run.h"
#include "log/install_log.h"

namespace tw {

namespace {

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local ? *local : std::tm{};
}

}  // namespace

ExitCode Run(const InstallerSwitches& switches, const RunSystem& system, RunWindows& windows) {
    InstallLog log(switches.logPath);
    // A run that was asked for a log and cannot keep one does nothing at all.
    if (log.CannotBeOpened()) {
        if (!switches.silent) windows.Show(LogNotOpenedMessage(switches.logPath));
        return ExitCode::logNotOpened;
    }
    log.Write<LogEvent::started>(StartTimeText(LocalTimeNow()));
    log.Write<LogEvent::packageFolder>(system.packageFolder);
    if (switches.uninstall) return RunRemoval(switches.silent, system, windows, log);
    if (switches.silent) return RunSilently(switches, system, log);
    return RunWithDialog(switches, system, windows, log);
}

}  // namespace tw
