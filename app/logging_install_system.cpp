#include "app/logging_install_system.h"

#include "common/win32_error_codes.h"

namespace tw {

CopyOutcome LoggingInstallSystem::CopyFileTo(const char* source, const char* destination) {
    CopyOutcome outcome = Inner().CopyFileTo(source, destination);
    if (outcome)
        m_log.Write<LogEvent::copied>(source, destination);
    else
        m_log.Write<LogEvent::copyFailed>(source, destination, outcome.error);
    return outcome;
}

// Nothing to set aside is no failure, and a destination held without delete
// sharing is replaced at the restart instead, logged with that step.
long LoggingInstallSystem::SetAside(const char* destination, std::string& aside) {
    const long code = Inner().SetAside(destination, aside);
    if (code != 0 && code != kErrorFileNotFound && code != kErrorSharingViolation)
        m_log.Write<LogEvent::notPutInPlace>(destination, code);
    return code;
}

// A destination taken is set aside next, not a failure.
long LoggingInstallSystem::PutInPlace(const char* file, const char* destination) {
    const long code = Inner().PutInPlace(file, destination);
    if (code != 0 && !IsNameTaken(code)) m_log.Write<LogEvent::notPutInPlace>(destination, code);
    return code;
}

long LoggingInstallSystem::PutInPlaceAtRestart(const char* file, const char* destination) {
    const long code = Inner().PutInPlaceAtRestart(file, destination);
    if (code != 0)
        m_log.Write<LogEvent::notPutInPlace>(destination, code);
    else
        m_log.Write<LogEvent::replacedAtRestart>(destination);
    return code;
}

bool LoggingInstallSystem::DiscardSetAside(const char* path) {
    const bool atRestart = Inner().DiscardSetAside(path);
    if (atRestart) m_log.Write<LogEvent::setAsideDeletedAtRestart>(path);
    return atRestart;
}

std::unique_ptr<Hold> LoggingInstallSystem::HoldFolder(const char* folder) {
    std::unique_ptr<Hold> hold = Inner().HoldFolder(folder);
    if (!hold) m_log.Write<LogEvent::notHeld>(folder);
    return hold;
}

FolderSecuring LoggingInstallSystem::SecureFolder(const char* folder) {
    FolderSecuring securing = Inner().SecureFolder(folder);
    // Nothing for a folder that was locked already.
    if (securing.result == FolderSecuring::Result::secured)
        m_log.Write<LogEvent::directorySecured>(folder);
    else if (securing.result == FolderSecuring::Result::failed)
        m_log.Write<LogEvent::directoryNotSecured>(folder, securing.error);
    return securing;
}

UntrustedFiles LoggingInstallSystem::FindUntrustedFiles(const char* folder) {
    UntrustedFiles found = Inner().FindUntrustedFiles(folder);
    if (found.unreadable) m_log.Write<LogEvent::directoryNotChecked>(folder, found.error);
    for (const std::string& name : found.names) m_log.Write<LogEvent::notTrusted>(folder, name);
    return found;
}

}  // namespace tw
