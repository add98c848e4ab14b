// What every step of a run is handed: what it reaches of the system (RunSystem),
// gathered once when the program starts (the dialog gets the same one), and what
// it shows or asks (RunWindows: the directory dialog, a question, a message, the
// progress window, the report of an exception that stopped the installation),
// Win32's windows in the program (dialogs/run_windows_win32.h) and a fake in tests.
#pragma once

#include <memory>
#include <string>

#include "app/completion_message.h"
#include "appdir/accept_directory.h"
#include "config/record_snapshot.h"
#include "install/engine.h"
#include "install/install_system.h"
#include "install/progress_observer.h"
#include "log/install_log.h"
#include "uninstall/removal_store.h"
#include "uninstall/removal_system.h"

namespace tw {

// The installation engine as the run calls it: the engine itself, or the
// program's (the application object, which keeps the system timer at 1 ms
// meanwhile).
class InstallationEngine {
public:
    virtual ~InstallationEngine() = default;
    virtual InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir,
                                              InstallSystem& system, InstallEvents& events) {
        return ::InstallDriverFiles(sourceRoot, appDir, system, events);
    }
};

// The directory's route (package folder, record, lookups, run lock), the
// installation's system and engine, and the removal's store and system. The
// store also takes what an installation keeps for its removal.
struct RunSystem : DirectoryPlatform {
    InstallSystem& install;  // the installation's, and the removal's tools
    InstallationEngine& engine;
    RemovalStore& store;
    RemovalSystem& removal;
    bool keepForRemoval = true;  // false: an installation keeps nothing in the store
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
