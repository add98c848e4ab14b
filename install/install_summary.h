// What one installation did, for the run's final message and its log.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/install_system.h"

// How the registration of one DLL ended.
enum class RegistrationOutcome {
    notStarted,    // the tool could not be started
    exited,        // the tool ended with exitCode
    stillRunning,  // the tool had not ended when the wait ran out; it was left running
    atRestart,     // its DLL waits for the restart: Windows starts the tool once then
};

struct Registration {
    std::string dll;         // the DLL's path under the package folder, "Driver\x.dll"
    std::string toolPath;    // the application directory + "regsvr32.exe"
    std::string parameters;  // exactly as handed to the tool
    RegistrationOutcome outcome = RegistrationOutcome::notStarted;
    std::uint32_t exitCode = 0;  // when exited

    // Only a tool that ended with 0 has registered its DLL; one left for the
    // restart will.
    bool Succeeded() const {
        return (outcome == RegistrationOutcome::exited && exitCode == 0) ||
               outcome == RegistrationOutcome::atRestart;
    }
    // The tool was started: whatever its end, the DLL may be registered.
    bool Started() const { return outcome != RegistrationOutcome::notStarted; }
};

// A destination folder as the engine held it, so that its removal knows it again.
struct HeldDestination {
    std::string path;  // the path worked under, ending in a separator; empty: not held
    std::optional<tw::FolderIdentity> identity;
    bool locked = false;  // locked to administrators before its first file
};

struct InstallSummary {
    int filesCopied = 0;  // successful copies (each copy counts)
    // The source files not installed, each once, by their path under the package
    // folder ("driversupport\readme.txt", "Driver\x.dll"): any of its copies failed,
    // its paths did not fit, or, for a DLL, its registration did not succeed. A
    // folder that could not be listed, or whose listing broke off, counts once under
    // its own name ("Driver\"). A destination folder that could not be locked to
    // administrators, or a file there that no administrator owns, is named by its
    // full path ("C:\Varnelquist\Driver\helper.drv"). Files come in the order met,
    // the DLLs whose registration failed after them.
    std::vector<std::string> failedFiles;
    std::vector<Registration> registrations;  // in the order started
    // A failure came before every file was in place: the run was undone, and no
    // installed file changed (filesCopied is then 0).
    bool undone = false;
    // Something waits for the next restart: a file to be replaced, a DLL to be
    // registered, a file set aside to be deleted (this one known only once the run
    // has let go of the holds, which set the flag where it lies: it outlives them).
    std::unique_ptr<bool> restartPending = std::make_unique<bool>(false);
    // What the engine held (A, A\Driver, the tool, each DLL handed to it), still
    // held when it returns, so that nothing it installed can be swapped before the
    // run has listed it for the removal; the run lets go by clearing it. Letting go
    // also deletes the files the commit set aside, through the system the engine
    // was given, which must outlive them.
    std::vector<std::unique_ptr<Hold>> holds;
    HeldDestination appFolder;     // A
    HeldDestination driverFolder;  // A\Driver

    int FailureCount() const { return static_cast<int>(failedFiles.size()); }
    // True when neither source folder held a single file entry: every file entry,
    // and every folder that could not be listed, ends either in a copy or in
    // failedFiles.
    bool NothingFound() const { return filesCopied == 0 && failedFiles.empty(); }
};
