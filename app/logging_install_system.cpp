#include "app/logging_install_system.h"

namespace tw {

CopyOutcome LoggingInstallSystem::CopyFileTo(const char* source, const char* destination) {
    CopyOutcome outcome = Inner().CopyFileTo(source, destination);
    m_log.Copied(source, destination, outcome);
    return outcome;
}

std::unique_ptr<Hold> LoggingInstallSystem::HoldFolder(const char* folder) {
    std::unique_ptr<Hold> hold = Inner().HoldFolder(folder);
    if (!hold) m_log.FolderNotHeld(folder);
    return hold;
}

FolderSecuring LoggingInstallSystem::SecureFolder(const char* folder) {
    FolderSecuring securing = Inner().SecureFolder(folder);
    m_log.FolderSecured(folder, securing);
    return securing;
}

UntrustedFiles LoggingInstallSystem::FindUntrustedFiles(const char* folder) {
    UntrustedFiles found = Inner().FindUntrustedFiles(folder);
    m_log.UntrustedFilesFound(folder, found);
    return found;
}

}  // namespace tw
