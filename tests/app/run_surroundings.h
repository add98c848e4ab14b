// What the tests of the runs share: the package folder's listings as the
// recording system is asked for them, the install log read back line by line, the
// engine after a step of the test's, and a run's system for an installation, whose
// removal parts are never reached.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/exit_code.h"
#include "app/run_system.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/removal_system.h"

namespace run_tests {

using Lines = std::vector<std::string>;

constexpr const char* kSupport = "C:\\pkg\\driversupport\\*.*";
constexpr const char* kDriver = "C:\\pkg\\Driver\\*.*";

// The log's lines, without the mark and the line ends.
inline Lines LogLines(const std::string& path) {
    std::string text = ReadBytes(path);
    Lines lines;
    for (std::size_t at = 3, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The number a run's exit code gives the process.
inline int Code(tw::ExitCode code) { return static_cast<int>(code); }

// An installation removes nothing: any call here fails the test.
class NoRemovalSystem : public RemovalSystem {
public:
    FolderOpening OpenFolder(const char* folder, std::unique_ptr<HeldFolder>&) override {
        ADD_FAILURE() << "opened for a removal: " << folder;
        return FolderOpening::failed;
    }
    FileOpening HoldFile(const char* path, std::unique_ptr<HeldFile>&) override {
        ADD_FAILURE() << "held for a removal: " << path;
        return FileOpening::failed;
    }
    bool RemoveEmptyFolder(const char* folder) override {
        ADD_FAILURE() << "removed: " << folder;
        return false;
    }
    bool IsLocked(const char* folder) override {
        ADD_FAILURE() << "checked for a removal: " << folder;
        return false;
    }
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        ADD_FAILURE() << "listed for a removal: " << folder;
        return {};
    }
};

// The engine itself, after a step of the test's (none: the engine alone); a step
// that throws stops the installation as the engine's own exception would.
class EngineAfterStep : public tw::InstallationEngine {
public:
    std::function<void()> step;

    InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir, InstallSystem& system,
                                      tw::InstallEvents& events) override {
        if (step) step();
        return tw::InstallationEngine::InstallDriverFiles(sourceRoot, appDir, system, events);
    }
};

inline tw::InstallationEngine& TheEngine() {
    static tw::InstallationEngine engine;
    return engine;
}

// The run's system of an installation on install, with the directory's platform,
// that keeps nothing for a removal (a scripted copy gives no digest to keep).
inline tw::RunSystem InstallationSystem(tw::DirectoryPlatform directory, InstallSystem& install,
                                        tw::InstallationEngine& engine = TheEngine()) {
    static FakeStore store;
    static NoRemovalSystem removal;
    return {std::move(directory), install, engine, store, removal, false};
}

// The same, keeping what the removal needs in store.
inline tw::RunSystem KeepingInstallationSystem(tw::DirectoryPlatform directory,
                                               InstallSystem& install, tw::RemovalStore& store) {
    static NoRemovalSystem removal;
    return {std::move(directory), install, TheEngine(), store, removal};
}

}  // namespace run_tests
