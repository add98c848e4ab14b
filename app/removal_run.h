// The run of /U: the installed-files list read, the question asked (not with
// /S), the removal, the entry, list and copy taken away when nothing failed,
// the final message and the exit code; every step logged.
#pragma once

#include <string>
#include <vector>

#include "app/completion_message.h"
#include "app/exit_code.h"
#include "app/run_system.h"
#include "log/install_log.h"

namespace tw {

// MessageBoxA's MB_YESNO, with Win32's value on every build.
constexpr unsigned kBoxYesNo = 0x4;

// What the message that ends a removal names, each list in the order met.
struct RemovalNames {
    std::vector<std::string> failed;           // not removed: the removal failed
    std::vector<std::string> changed;          // changed since installed: the user's, kept
    std::vector<std::string> notUnregistered;  // registered DLLs whose file was gone
};

// The message that ends a removal that ran: an error only when something could
// not be removed; changed files and registrations left by a gone file are named
// under the information caption of a removal that succeeded.
CompletionMessage ChooseRemovalMessage(const RemovalNames& names);

// The list is read for the question and read again once the run lock (when the
// system has one) is taken, and only what that list names is removed: an
// installation that ran meanwhile is removed with it, never lost. installed:
// removed (files the user changed are kept and named, no failure); cancelled:
// answered No; alreadyRunning: another run holds the lock (nothing done); failed:
// no list, or anything failed. Nothing is shown or asked when silent.
ExitCode RunRemoval(bool silent, const RunSystem& system, RunWindows& windows, InstallLog& log);

}  // namespace tw
