// How far an installation has come, as a position of the progress bar.
//
// The bar is counted, not guessed: before the passes the two source folders are
// listed once (a listing costs little next to the copies), and every copy and
// every registration is one step of the plan. A support file is two copies, a
// driver file one, and each DLL of Driver\ one registration more.
#pragma once

#include <string>

#include "install/install_system.h"

namespace tw {

struct ProgressPlan {
    int copies = 0;
    int registrations = 0;

    int Steps() const { return copies + registrations; }
};

// Lists driversupport\ and Driver\ of sourceRoot (with or without its trailing
// separator) through system. A folder that cannot be listed adds nothing.
ProgressPlan PlanInstallation(InstallSystem& system, const std::string& sourceRoot);

// The bar's position after each finished step: it moves forward only, and stays
// full when the run does more than was planned (files added meanwhile).
class ProgressMeter {
public:
    explicit ProgressMeter(int plannedSteps) : m_planned(plannedSteps) {}

    void StepDone() { ++m_done; }
    void Finish() { m_finished = true; }
    // 0 to kProgressRange.
    int Position() const;

private:
    int m_planned;
    int m_done = 0;
    bool m_finished = false;
};

}  // namespace tw
