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

}  // namespace tw
