// The run's copies between staging and commit. Each copy is first staged beside
// its destination; only once every copy of the run is staged are they put in
// place, in the order staged, each destination first set aside in its folder (one
// held open without delete sharing cannot be: it is replaced at the next restart,
// a step taken only once all the others have succeeded, so that an undo never has
// to take one back). A
// failure before the end undoes every step in reverse, so that the installed
// files are exactly what they were; after the end the files set aside go once
// the run has listed what it installed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_events.h"
#include "install/install_system.h"

namespace tw {

struct StagedCopy {
    std::string staged;       // the complete new file beside the destination, or at it
    std::string destination;  // where it goes
    std::string source;       // what failed, named as the summary names it ("Driver\x.dll")
    std::string aside;        // what the destination held, once set aside
    bool placed = false;      // the new file is at the destination
    bool superseded = false;  // a later copy goes to the same destination: discarded
    bool atRestart = false;   // the destination is held without delete sharing
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

    // Hands the system the commit's journal (appDir: the application directory
    // the destinations are in), then sets aside and puts in place each staged copy
    // in turn, then leaves those whose destination is held without delete sharing
    // to replace it at the next restart. Nothing when every one is in place or
    // waits, else the source of the copy that could not be (or what the journal
    // could not be written to), with every step so far left for Undo (a staged
    // file deleted after its replacement was left for the restart leaves the
    // replacement nothing to do).
    std::optional<std::string> Commit(std::string_view appDir);

    // Every step in reverse: a file put in place is deleted and the file set aside
    // put back; a staged file not yet in place is deleted. Does nothing after
    // TakeSetAside.
    void Undo();

    // After a complete commit: a hold that deletes the files set aside when it is
    // released, and sets leftForRestart when one is in use and is left for the
    // next restart. The copies are then final.
    std::unique_ptr<Hold> TakeSetAside(bool& leftForRestart);

    // After a complete commit: the destinations replaced at the next restart.
    const std::vector<std::string>& AtRestart() const { return m_atRestart; }

    const std::vector<StagedCopy>& Copies() const { return m_copies; }

private:
    void DropSuperseded();
    std::optional<std::string> BeginJournal(std::string_view appDir);

    InstallSystem& m_system;
    InstallEvents& m_events;
    std::vector<StagedCopy> m_copies;
    std::vector<std::string> m_atRestart;
};

}  // namespace tw
