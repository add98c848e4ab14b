#include "app/logging_install_system.h"

#include "install/block_copy.h"

namespace tw {

bool LoggingInstallSystem::CopyFileTo(const char* source, const char* destination) {
    bool copied = Inner().CopyFileTo(source, destination);
    long error = copied ? 0 : LastCopyError();
    m_log.Copied(source, destination, copied, error);
    return copied;
}

}  // namespace tw
