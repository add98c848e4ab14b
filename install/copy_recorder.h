// Hears the installation's events and remembers each destination that a copy
// completed, in order, with the digest of the bytes that copy wrote, so that the
// run can list what it installed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/sha256.h"
#include "install/install_events.h"

namespace tw {

struct CopiedFile {
    std::string path;                   // the destination
    std::optional<FileDigest> written;  // nothing when the copy's hash failed

    friend bool operator==(const CopiedFile&, const CopiedFile&) = default;
};

class CopyRecorder : public InstallEvents {
public:
    void Staged(const char*, const char* destination, const CopyOutcome& outcome) override {
        if (outcome) m_copied.push_back({destination, outcome.written});
    }

    // Each completed copy; a file copied twice appears twice.
    const std::vector<CopiedFile>& Copied() const { return m_copied; }

private:
    std::vector<CopiedFile> m_copied;
};

}  // namespace tw
