#include "app/logging_install_system.h"

namespace tw {

CopyOutcome LoggingInstallSystem::CopyFileTo(const char* source, const char* destination) {
    CopyOutcome outcome = Inner().CopyFileTo(source, destination);
    m_log.Copied(source, destination, outcome);
    return outcome;
}

}  // namespace tw
