// An installation system that passes every call on and remembers each
// destination that a copy completed, in order, so that the run can list what
// it installed.
#pragma once

#include <string>
#include <vector>

#include "install/forwarding_install_system.h"

namespace tw {

class CopyRecorder : public ForwardingInstallSystem {
public:
    using ForwardingInstallSystem::ForwardingInstallSystem;

    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        tw::CopyOutcome copied = Inner().CopyFileTo(source, destination);
        if (copied) m_copied.emplace_back(destination);
        return copied;
    }

    // Each completed copy's destination; a file copied twice appears twice.
    const std::vector<std::string>& Copied() const { return m_copied; }

private:
    std::vector<std::string> m_copied;
};

}  // namespace tw
