#include "app/exit_code.h"

namespace tw {

ExitCode InstalledExitCode(bool nothingFound, int failureCount) {
    return nothingFound || failureCount > 0 ? ExitCode::failed : ExitCode::installed;
}

ExitCode Finish(InstallLog& log, ExitCode exitCode) {
    log.Finished(static_cast<int>(exitCode));
    return exitCode;
}

}  // namespace tw
