// What every step of a run is handed: what it reaches of the system (RunSystem),
// gathered once when the program starts (the dialog gets the same one), and what
// it shows or asks (RunWindows: the directory dialog, a question, a message, the
// progress window, the report of an exception that stopped the installation),
// Win32's windows in the program and a fake in tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/completion_message.h"
#include "appdir/accept_directory.h"
#include "config/record_snapshot.h"
#include "install/engine.h"
#include "install/install_system.h"
#include "install/progress_observer.h"
#include "log/install_log.h"
#include "install/copy_recorder.h"
#include "uninstall/removal_store.h"
#include "uninstall/removal_system.h"

namespace tw {

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

// The directory's route (package folder, record, lookups, run lock), the
// installation's system and engine, what it keeps for its removal, and the
// removal's store and system.
struct RunSystem : DirectoryPlatform {
    InstallSystem& install;  // the installation's, and the removal's tools
    RemovalStore& store;
    RemovalSystem& removal;
    InstallEngine engine = ::InstallDriverFiles;
    RemovalKeeper keepForRemoval = nullptr;  // none: nothing is kept
    // What the record held before the run wrote it (DirectoryPlatform::beforeRecord
    // fills it), given back when the installation is undone; none: left as written.
    const RecordSnapshot* recordBefore = nullptr;
};

// How the dialog ended; after confirmed, the accepted directory's full path.
struct DialogResult {
    enum End { confirmed, cancelled, notShown } end;
    std::string fullPath;
};

class RunWindows {
public:
    virtual ~RunWindows() = default;
    // The dialog, showing preset; each 确定 takes AcceptDirectory with platform and log.
    virtual DialogResult AskDirectory(const std::string& preset, const DirectoryPlatform& platform,
                                      InstallLog& log) = 0;
    // True for Yes.
    virtual bool Ask(const CompletionMessage& question) = 0;
    virtual void Show(const CompletionMessage& message) = 0;
    // What shows the work while it goes on, under caption (code page 936; null: the
    // installation's); let go before any message.
    virtual std::unique_ptr<ProgressObserver> ShowProgress(const char* caption) = 0;
    // Call only inside a catch block: the exception that stopped the installation.
    virtual void ReportStop() = 0;
};

}  // namespace tw

// Win32's windows (Win32 only).
tw::RunWindows& PlatformRunWindows();
