// Shows an installation's work to a progress observer as the engine tells it:
// each copy and each start of the registration tool as it begins, and the wait
// for the tools.
#pragma once

#include <string>

#include "install/install_events.h"
#include "install/progress_observer.h"
#include "install/progress_plan.h"

namespace tw {

class InstallProgress : public InstallEvents {
public:
    // sourceRoot and appDir as the installation gets them; files are shown by
    // their paths under these folders.
    InstallProgress(const std::string& sourceRoot, const std::string& appDir,
                    const ProgressPlan& plan, ProgressObserver& observer);

    void CopyBegins(const char* source) override;
    void Staged(const char* source, const char* destination, const CopyOutcome& outcome) override;
    void RegistrationStarts(const RegistrationRequest& request) override;
    // Shows the DLL whose tool started last while every tool is waited for; the
    // registrations' steps are done, and the bar full, once the wait is over.
    void FinalWait(bool begins) override;

private:
    const std::string m_sourceRoot;  // ending in "\"
    const std::string m_appDir;      // ending in "\"
    ProgressObserver& m_observer;
    ProgressMeter m_meter;
    std::string m_lastRegistered;  // the DLL of the tool started last
};

}  // namespace tw
