#include "app/exit_code.h"

namespace tw {

ExitCode Finish(InstallLog& log, ExitCode exitCode) {
    log.Write<LogEvent::exitCode>(static_cast<int>(exitCode));
    return exitCode;
}

}  // namespace tw
