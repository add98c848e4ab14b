#include "app/install_log_events.h"

#include "common/win32_error_codes.h"

namespace tw {

void InstallLogEvents::FolderNotHeld(const char* folder) { m_log.Write<LogEvent::notHeld>(folder); }

void InstallLogEvents::FolderSecured(const char* folder, const FolderSecuring& securing) {
    // Nothing for a folder that was locked already.
    if (securing.result == FolderSecuring::Result::secured)
        m_log.Write<LogEvent::directorySecured>(folder);
    else if (securing.result == FolderSecuring::Result::failed)
        m_log.Write<LogEvent::directoryNotSecured>(folder, securing.error);
}

void InstallLogEvents::FilesChecked(const char* folder, const UntrustedFiles& found) {
    if (found.unreadable) m_log.Write<LogEvent::directoryNotChecked>(folder, found.error);
    for (const std::string& name : found.names) m_log.Write<LogEvent::notTrusted>(folder, name);
}

void InstallLogEvents::Staged(const char* source, const char* destination,
                              const CopyOutcome& outcome) {
    if (outcome)
        m_log.Write<LogEvent::copied>(source, destination);
    else
        m_log.Write<LogEvent::copyFailed>(source, destination, outcome.error);
}

// Nothing to set aside is no failure, and a destination held without delete
// sharing is replaced at the restart instead, logged with that step.
void InstallLogEvents::SetAside(const char* destination, long code) {
    if (code != 0 && code != kErrorFileNotFound && code != kErrorSharingViolation)
        m_log.Write<LogEvent::notPutInPlace>(destination, code);
}

// A destination taken is set aside next, not a failure.
void InstallLogEvents::Committed(const char* destination, long code) {
    if (code != 0 && !IsNameTaken(code)) m_log.Write<LogEvent::notPutInPlace>(destination, code);
}

void InstallLogEvents::RolledBack(const char* destination, long code) {
    Committed(destination, code);
}

void InstallLogEvents::WaitsForRestart(const char* destination) {
    m_log.Write<LogEvent::replacedAtRestart>(destination);
}

void InstallLogEvents::SetAsideDeletedAtRestart(const char* path) {
    m_log.Write<LogEvent::setAsideDeletedAtRestart>(path);
}

}  // namespace tw
