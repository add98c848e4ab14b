// What one copy reports to its caller: whether the file was installed and, when
// it was not, the Win32 error code of the step that failed (the same codes on the
// host), for the install log.
#pragma once

namespace tw {

struct CopyOutcome {
    long error = 0;  // 0: copied

    explicit operator bool() const { return error == 0; }
};

}  // namespace tw
