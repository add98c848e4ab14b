// Logs the installation's events: each copy with its outcome and the system's
// error code, each folder that could not be held (no copy into it is tried), each
// destination the commit could not set aside, put a file in place of or put back,
// each destination replaced at the next restart, each file set aside that is
// deleted only then, each destination folder locked or not, and each file there that no
// administrator owns. Registrations are logged from the run's summary afterwards,
// not here.
#pragma once

#include "install/install_events.h"
#include "log/install_log.h"

namespace tw {

class InstallLogEvents : public InstallEvents {
public:
    explicit InstallLogEvents(InstallLog& log) : m_log(log) {}

    void FolderNotHeld(const char* folder) override;
    void FolderSecured(const char* folder, const FolderSecuring& securing) override;
    void FilesChecked(const char* folder, const UntrustedFiles& found) override;
    void Staged(const char* source, const char* destination, const CopyOutcome& outcome) override;
    void SetAside(const char* destination, long code) override;
    void Committed(const char* destination, long code) override;
    void RolledBack(const char* destination, long code) override;
    void WaitsForRestart(const char* destination) override;
    void SetAsideDeletedAtRestart(const char* path) override;

private:
    InstallLog& m_log;
};

}  // namespace tw
