// One run at a time on the machine: an installation takes the lock once its
// directory is accepted, a removal once its question is answered, and either holds
// it to its end. Whoever ends the process (a kill included) lets it go. Win32: a
// file in the administrators-only folder of the removal's store, opened without
// sharing and deleted when its handle closes; tests use a fake.
#pragma once

#include <string>

namespace tw {

enum class RunLockTaking {
    taken,   // this run holds the lock (or already held it)
    busy,    // another run holds it
    failed,  // it cannot be made or opened: Error() says why
};

class RunLock {
public:
    virtual ~RunLock() = default;
    // Held until the object goes, or until Release.
    virtual RunLockTaking Take() = 0;
    // Lets the lock go (nothing when it is not held).
    virtual void Release() = 0;
    // After failed: the Win32 error code.
    virtual long Error() const = 0;
    // Where the lock is, as the log names it.
    virtual std::string Path() const = 0;
};

}  // namespace tw
