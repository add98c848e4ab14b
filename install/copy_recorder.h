// An installation system that passes every call on and remembers each
// destination that a copy completed, in order, with the digest of the bytes that
// copy wrote, so that the run can list what it installed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/sha256.h"
#include "install/forwarding_install_system.h"

namespace tw {

struct CopiedFile {
    std::string path;                   // the destination
    std::optional<FileDigest> written;  // nothing when the copy's hash failed

    friend bool operator==(const CopiedFile&, const CopiedFile&) = default;
};

class CopyRecorder : public ForwardingInstallSystem {
public:
    using ForwardingInstallSystem::ForwardingInstallSystem;

    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        tw::CopyOutcome copied = Inner().CopyFileTo(source, destination);
        if (copied) m_copied.push_back({destination, copied.written});
        return copied;
    }

    // Each completed copy; a file copied twice appears twice.
    const std::vector<CopiedFile>& Copied() const { return m_copied; }

private:
    std::vector<CopiedFile> m_copied;
};

}  // namespace tw
