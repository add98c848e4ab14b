#include "app/logging_install_system.h"

#include "app/log_platform.h"

namespace tw {

bool LoggingInstallSystem::CopyFileTo(const char* source, const char* destination) {
    bool copied = m_inner.CopyFileTo(source, destination);
    // Read before anything else can call the system and overwrite it.
    long error = copied ? 0 : LastSystemError();
    m_log.Copied(source, destination, copied, error);
    return copied;
}

}  // namespace tw
