// An installation system that passes every call on to another and logs each copy
// with its outcome and the system's error code, each folder that could not be
// held (no copy into it is tried), each destination the commit could not set
// aside or put a file in place of, each destination replaced at the next restart,
// each file set aside that is deleted only then, each destination folder it locked
// or could not lock, and each file there that no administrator owns. Registrations
// are logged from the run's summary afterwards, not here.
#pragma once

#include "log/install_log.h"
#include "install/forwarding_install_system.h"

namespace tw {

class LoggingInstallSystem : public ForwardingInstallSystem {
public:
    LoggingInstallSystem(InstallSystem& inner, InstallLog& log)
        : ForwardingInstallSystem(inner), m_log(log) {}

    CopyOutcome CopyFileTo(const char* source, const char* destination) override;
    long SetAside(const char* destination, std::string& aside) override;
    long PutInPlace(const char* file, const char* destination) override;
    long PutInPlaceAtRestart(const char* file, const char* destination) override;
    bool DiscardSetAside(const char* path) override;
    std::unique_ptr<Hold> HoldFolder(const char* folder) override;
    FolderSecuring SecureFolder(const char* folder) override;
    UntrustedFiles FindUntrustedFiles(const char* folder) override;

private:
    InstallLog& m_log;
};

}  // namespace tw
