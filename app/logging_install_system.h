// An installation system that passes every call on to another and logs each copy
// with its outcome and the system's error code. Registrations are logged from
// the run's summary afterwards, not here.
#pragma once

#include "app/install_log.h"
#include "install/install_system.h"

namespace tw {

class LoggingInstallSystem : public InstallSystem {
public:
    LoggingInstallSystem(InstallSystem& inner, InstallLog& log) : m_inner(inner), m_log(log) {}

    bool CreateFolder(const char* path) override { return m_inner.CreateFolder(path); }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        return m_inner.FindFirst(pattern, first);
    }
    void SleepOneMillisecond() override { m_inner.SleepOneMillisecond(); }
    CopyOutcome CopyFileTo(const char* source, const char* destination) override;
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        return m_inner.StartRegistration(request);
    }
    void WaitForTools(const std::vector<StartedTool*>& tools,
                      std::chrono::milliseconds bound) override {
        m_inner.WaitForTools(tools, bound);
    }

private:
    InstallSystem& m_inner;
    InstallLog& m_log;
};

}  // namespace tw
