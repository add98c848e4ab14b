// The registration tools of one run, the installation's or the removal's: each
// started once a place is free, kept with what must stay held while it runs, and
// waited for until every one has ended or the bound has passed since the last
// start; the outcome of each goes into its record.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "install/install_events.h"
#include "install/install_summary.h"
#include "install/install_system.h"

namespace tw {

// How long the tools get after the last of them started: every wait, for a free
// place or for the end, lasts at most until then.
constexpr std::chrono::seconds kToolBound{300};
// Tools running at once; a further start waits until one of them has ended.
constexpr std::size_t kMaxRunningTools = 64;

class ToolPool {
public:
    // Each start names its record in records, which outlive the pool; each start,
    // each end and the final wait are told to events.
    ToolPool(InstallSystem& system, std::vector<Registration>& records, ToolEvents& events)
        : m_system(system), m_records(records), m_events(events) {}

    // Starts the tool of records[record] (its toolPath and parameters) in directory,
    // at once or once one of the tools running has ended; held stays held until
    // TakeHolds. False when no place came free before the deadline or the tool did
    // not start: the record stays not started and held is let go.
    bool Start(std::size_t record, const char* directory, std::unique_ptr<Hold> held);

    // Waits until every tool started has ended, or until the deadline, one tool at a
    // time, and writes each one's outcome into its record.
    void WaitForAll();

    // What was held for the tools started, in the order they started.
    std::vector<std::unique_ptr<Hold>> TakeHolds();

private:
    struct Started {
        std::size_t record;
        std::unique_ptr<StartedTool> tool;
        std::unique_ptr<Hold> held;
    };

    std::vector<StartedTool*> Running() const;
    // Waits for one of the tools running until the deadline; true when one ended.
    bool WaitForAny();

    InstallSystem& m_system;
    std::vector<Registration>& m_records;
    ToolEvents& m_events;
    std::vector<Started> m_started;
    std::chrono::milliseconds m_deadline{};  // on the system's clock
};

}  // namespace tw
