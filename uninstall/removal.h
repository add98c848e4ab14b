// The removal of what the installed-files list names: the DLLs unregistered
// first, then every file whose bytes are still the ones installed, the empty
// Driver\ folders and the records that still hold a listed directory. Before the
// first step each application directory and its Driver\ are held and compared
// with what the list says they were: nothing is started or deleted in a folder
// that is not the one installed, or that others may change now.
#pragma once

#include <string>
#include <vector>

#include "install/install_summary.h"
#include "install/install_system.h"
#include "uninstall/installed_list.h"
#include "uninstall/removal_events.h"
#include "uninstall/removal_system.h"

namespace tw {

struct RemovalSummary {
    int filesRemoved = 0;
    // Files changed since they were installed: the user's now, kept and named,
    // no failure. A changed tool or DLL is never started or loaded.
    std::vector<std::string> changedFiles;
    // What could not be removed, by full path, each once, in the order met.
    std::vector<std::string> failedFiles;
    // Registered DLLs whose file was gone: nothing is left to unregister them
    // with, so their registration stays. Named, no failure: a user who deleted
    // the folder can still remove the installation.
    std::vector<std::string> notUnregistered;
    // One per DLL handed to the tool, in the order started (dll: its full path).
    std::vector<Registration> unregistrations;
    // Listed folders refused, as listed (each also among failedFiles): another
    // folder is at the path, or it is no longer locked to administrators (a list
    // that knows no identity, written before identities were listed, has its
    // folders taken on their lock alone). What they hold stays listed, unnamed.
    std::vector<std::string> foldersNotInstalled;
    std::vector<std::string> foldersNotLocked;
    // Files in an application directory or its Driver\ that no administrator owns
    // (or the folder, when it could not be listed): the tool would load them, so
    // it is not started there, and the DLLs it would have unregistered stay.
    std::vector<std::string> untrustedFiles;
    std::vector<std::string> foldersRemoved;  // Driver\ folders found empty
    std::vector<std::string> recordsRemoved;
    std::vector<std::string> recordsKept;  // they name another folder now
    // What is left to undo: the directories, and the files and records that failed,
    // as listed; what went, changed or was gone is not.
    InstalledList left;

    bool Complete() const { return failedFiles.empty(); }
};

// The tool's parameters for one DLL: "/u /s " and its path, quoted when it holds
// a blank; false for a path one argument cannot carry.
bool FormatUnregistrationParameters(std::string_view dllPath, std::string& parameters);

// Runs the removal. tools starts the registration tool and waits for it (300 s
// at most after the last start). Each unregistration and each deletion is told to
// events before it begins, and each step of the tools as it comes.
RemovalSummary RemoveInstalledFiles(const InstalledList& list, RemovalSystem& system,
                                    InstallSystem& tools, RemovalEvents& events);

}  // namespace tw
