// What one copy reports to its caller: whether the file was installed and, when
// it was not, the Win32 error code of the step that failed (the same codes on the
// host), for the install log; when it was, what the copy wrote, for the removal.
#pragma once

#include <optional>
#include <string>

#include "common/sha256.h"

namespace tw {

struct CopyOutcome {
    long error = 0;  // 0: copied
    // After a copy: the digest and size of the bytes it wrote, fed block by block
    // as they were written; nothing when the hash failed.
    std::optional<FileDigest> written;
    // After a copy that was staged: the new file's path beside the destination,
    // for the commit to put in place. Empty when the copy replaced the destination.
    std::string staged;

    explicit operator bool() const { return error == 0; }
};

}  // namespace tw
