// The run's copies between staging and commit. Each copy is first staged beside
// its destination; only once every copy of the run is staged are they put in
// place, in the order staged, each destination first set aside in its folder. A
// failure before the end undoes every step in reverse, so that the installed
// files are exactly what they were; after the end the files set aside go once
// the run has listed what it installed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/install_events.h"
#include "install/install_system.h"

namespace tw {

struct StagedCopy {
    std::string staged;       // the complete new file beside the destination
    std::string destination;  // where it goes
    std::string source;       // what failed, named as the summary names it ("Driver\x.dll")
    std::string aside;        // what the destination held, once set aside
    bool placed = false;      // the new file is at the destination
    bool superseded = false;  // a later copy goes to the same destination: discarded
};

class StagedInstallation {
public:
    // Each step of the commit and of the undo is told to events.
    StagedInstallation(InstallSystem& system, InstallEvents& events)
        : m_system(system), m_events(events) {}
    StagedInstallation(const StagedInstallation&) = delete;
    StagedInstallation& operator=(const StagedInstallation&) = delete;
    // Discards what is still staged or set aside when neither committed nor undone.
    ~StagedInstallation() { Undo(); }

    void Add(std::string staged, std::string destination, std::string source);

    // Sets aside and puts in place each staged copy in turn. Nothing when every one
    // is in place, else the source of the copy that could not be, with every step
    // so far left for Undo.
    std::optional<std::string> Commit();

    // Every step in reverse: a file put in place is deleted and the file set aside
    // put back; a staged file not yet in place is deleted. Does nothing after
    // TakeSetAside.
    void Undo();

    // After a complete commit: a hold that deletes the files set aside when it is
    // released. The copies are then final.
    std::unique_ptr<Hold> TakeSetAside();

    const std::vector<StagedCopy>& Copies() const { return m_copies; }

private:
    void DropSuperseded();

    InstallSystem& m_system;
    InstallEvents& m_events;
    std::vector<StagedCopy> m_copies;
};

}  // namespace tw
