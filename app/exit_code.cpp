#include "app/exit_code.h"

namespace tw {

ExitCode ChooseExitCode(RunEnd end, bool nothingFound, int failureCount) {
    switch (end) {
        case RunEnd::logNotOpened:
            return ExitCode::logNotOpened;
        case RunEnd::cancelled:
            return ExitCode::cancelled;
        case RunEnd::runBusy:
            return ExitCode::alreadyRunning;
        case RunEnd::installed:
            return nothingFound || failureCount > 0 ? ExitCode::failed : ExitCode::installed;
        case RunEnd::directoryRefused:
        case RunEnd::recordNotWritten:
        case RunEnd::installationAborted:
            break;
    }
    return ExitCode::failed;
}

ExitCode Finish(InstallLog& log, ExitCode exitCode) {
    log.Finished(static_cast<int>(exitCode));
    return exitCode;
}

}  // namespace tw
