// An installation system that passes every call on to another and tells a
// progress observer what the installation is doing: each copy and each start of
// the registration tool as it begins, and the wait for the tools. The
// installation itself neither knows nor changes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "install/forwarding_install_system.h"
#include "install/install_system.h"
#include "install/progress_observer.h"
#include "install/progress_plan.h"

namespace tw {

class ProgressInstallSystem : public ForwardingInstallSystem {
public:
    // sourceRoot and appDir as the installation gets them; files are shown by
    // their paths under these folders.
    ProgressInstallSystem(InstallSystem& inner, const std::string& sourceRoot,
                          const std::string& appDir, const ProgressPlan& plan,
                          ProgressObserver& observer);

    CopyOutcome CopyFileTo(const char* source, const char* destination) override;
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override;
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
