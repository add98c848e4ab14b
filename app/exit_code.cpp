#include "app/exit_code.h"

namespace tw {

int ChooseExitCode(RunEnd end, bool nothingFound, int failureCount) {
    switch (end) {
        case RunEnd::logNotOpened:
            return kExitLogNotOpened;
        case RunEnd::cancelled:
            return kExitCancelled;
        case RunEnd::runBusy:
            return kExitAlreadyRunning;
        case RunEnd::installed:
            return nothingFound || failureCount > 0 ? kExitFailed : kExitInstalled;
        case RunEnd::directoryRefused:
        case RunEnd::recordNotWritten:
        case RunEnd::installationAborted:
            break;
    }
    return kExitFailed;
}

}  // namespace tw
