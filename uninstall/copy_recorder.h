// An installation system that passes every call on and remembers each
// destination that a copy completed, in order, so that the run can list what
// it installed.
#pragma once

#include <string>
#include <vector>

#include "install/install_system.h"

namespace tw {

class CopyRecorder : public InstallSystem {
public:
    explicit CopyRecorder(InstallSystem& inner) : m_inner(inner) {}

    bool CreateFolder(const char* path) override { return m_inner.CreateFolder(path); }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        return m_inner.FindFirst(pattern, first);
    }
    void SleepOneMillisecond() override { m_inner.SleepOneMillisecond(); }
    bool CopyFileTo(const char* source, const char* destination) override {
        bool copied = m_inner.CopyFileTo(source, destination);
        if (copied) m_copied.emplace_back(destination);
        return copied;
    }
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        return m_inner.StartRegistration(request);
    }
    void WaitForTools(const std::vector<StartedTool*>& tools,
                      std::chrono::milliseconds bound) override {
        m_inner.WaitForTools(tools, bound);
    }

    // Each completed copy's destination; a file copied twice appears twice.
    const std::vector<std::string>& Copied() const { return m_copied; }

private:
    InstallSystem& m_inner;
    std::vector<std::string> m_copied;
};

}  // namespace tw
