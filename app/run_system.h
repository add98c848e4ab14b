// What a run reaches of the system, gathered once when the program starts and
// passed down to every step (the dialog gets the same one): the directory's route
// (package folder, record, lookups, run lock), the installation's system and engine,
// what it keeps for its removal, and the removal's store and system.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "appdir/accept_directory.h"
#include "install/engine.h"
#include "install/install_system.h"
#include "uninstall/copy_recorder.h"
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

struct RunSystem : DirectoryPlatform {
    InstallSystem& install;  // the installation's, and the removal's tools
    RemovalStore& store;
    RemovalSystem& removal;
    InstallEngine engine = ::InstallDriverFiles;
    RemovalKeeper keepForRemoval = nullptr;  // none: nothing is kept
};

}  // namespace tw
