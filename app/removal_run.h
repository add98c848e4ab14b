// The run of /U: the installed-files list read, the question asked (not with
// /S), the removal, the entry, list and copy taken away when nothing failed,
// the final message and the exit code; every step logged.
#pragma once

#include <functional>
#include <memory>

#include "app/completion_message.h"
#include "common/run_lock.h"
#include "log/install_log.h"
#include "install/install_system.h"
#include "install/progress_observer.h"
#include "uninstall/removal.h"
#include "uninstall/removal_store.h"
#include "uninstall/removal_system.h"

namespace tw {

// MessageBoxA's MB_YESNO, with Win32's value on every build.
constexpr unsigned kBoxYesNo = 0x4;

struct RemovalPlatform {
    RemovalStore& store;
    RemovalSystem& system;
    InstallSystem& tools;
    // Interactive runs only: asks the question, true for Yes.
    std::function<bool(const CompletionMessage& question)> ask;
    // Interactive runs only: shows a message.
    std::function<void(const CompletionMessage& message)> show;
    // Interactive runs only, when given: what shows the removal while it goes on,
    // let go before the final message.
    std::function<std::unique_ptr<ProgressObserver>()> showProgress;
    // The machine's run lock, taken after the question and held by the caller to
    // the end of the run (none: not taken).
    RunLock* runLock = nullptr;
};

// The message that ends a removal that ran.
CompletionMessage ChooseRemovalMessage(const std::vector<std::string>& kept);

// The list is read for the question and read again once the run lock is taken,
// and only what that list names is removed: an installation that ran meanwhile
// is removed with it, never lost. Returns the exit code: 0 removed (files the
// user changed are kept and named, no failure), 1602 answered No, 1618 another
// run holds the lock (nothing done), 1603 no list or anything failed.
int RunRemoval(bool silent, const RemovalPlatform& platform, InstallLog& log);

}  // namespace tw
