// The process's exit code: the Windows Installer's codes, which deployment tools
// read without being told what they mean.
#pragma once

#include "log/install_log.h"

namespace tw {

enum class ExitCode : int {
    installed = 0,          // everything installed and registered (or removed)
    cancelled = 1602,       // ERROR_INSTALL_USEREXIT: the dialog was cancelled, or No answered
    failed = 1603,          // ERROR_INSTALL_FAILURE: anything else
    alreadyRunning = 1618,  // ERROR_INSTALL_ALREADY_RUNNING: another run holds the machine's
                            // lock; nothing was done
    logNotOpened = 1622,    // ERROR_INSTALL_LOG_FAILURE: /LOG= cannot be opened
};

// How far a run got.
enum class RunEnd {
    logNotOpened,         // the log of /LOG= could not be opened: nothing was done
    cancelled,            // the dialog was cancelled
    directoryRefused,     // a silent run's directory did not pass the OK decision, or was
                          // given empty
    runBusy,              // another installation or removal holds the machine's lock
    recordNotWritten,     // "\ZAVIDAR.CFG" could not be written
    installationAborted,  // the engine stopped with an exception
    installed,            // the engine ran to its end: its summary decides
};

// For installed, nothingFound and failureCount are the summary's, as for the
// final message; they are not read for any other end.
ExitCode ChooseExitCode(RunEnd end, bool nothingFound = false, int failureCount = 0);

// Logs the exit code and returns it: how every run ends.
ExitCode Finish(InstallLog& log, ExitCode exitCode);

}  // namespace tw
