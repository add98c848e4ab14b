// The process's exit code: the Windows Installer's codes, which deployment tools
// read without being told what they mean.
#pragma once

#include "log/install_log.h"

namespace tw {

enum class ExitCode : int {
    installed = 0,          // everything installed and registered (or removed)
    cancelled = 1602,       // ERROR_INSTALL_USEREXIT: the dialog cancelled, or No answered
    failed = 1603,          // ERROR_INSTALL_FAILURE: anything else (a directory refused, a
                            // record not written, the engine stopped, a file not installed)
    alreadyRunning = 1618,  // ERROR_INSTALL_ALREADY_RUNNING: another run holds the machine's
                            // lock; nothing was done
    logNotOpened = 1622,    // ERROR_INSTALL_LOG_FAILURE: /LOG= cannot be opened
    restartPending = 3010,  // ERROR_SUCCESS_REBOOT_REQUIRED: installed, but a file in use is
                            // replaced (or a DLL registered) only at the next restart
};

// Logs the exit code and returns it: how every run ends.
inline ExitCode Finish(InstallLog& log, ExitCode exitCode) {
    log.Write<LogEvent::exitCode>(static_cast<int>(exitCode));
    return exitCode;
}

}  // namespace tw
