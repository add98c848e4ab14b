// The platform operations the removal needs. The removal is plain logic over
// this interface; Win32, the host's POSIX imitation and the tests' fake each
// provide one. The registration tool is started and waited for through the
// installation's tool pool (install/tool_pool.h), as when installing.
#pragma once

#include <cstddef>
#include <memory>

#include "install/folder_hold.h"
#include "install/folder_securing.h"

// A folder is opened and held as the installation holds it (install/folder_hold.h).
using HeldFolder = Hold;
using tw::FolderOpening;

// Not the installation's tw::HeldCopy (install/held_copy.h), on purpose: the
// removal must delete through the handle it checked (so it asks for DELETE
// access, which CFile cannot), opens a link as itself rather than its target,
// and checks the bytes against the list's SHA-256 rather than against a second
// file. Folding the two into one would mean a handle-level file class below
// both; until then these are the two ways a file is held.
// A file held open for reading and deleting; others may read it (and so start or
// load it) but neither write, rename nor delete it while it is held.
class HeldFile : public Hold {
public:
    // Bytes read into buffer, 0 at the end; nothing on a failed read.
    virtual bool Read(unsigned char* buffer, std::size_t size, std::size_t& got) = 0;
    // Deletes the file held, through this very handle, so that what was checked
    // is what goes. False when it could not be deleted.
    virtual bool Delete() = 0;
};

enum class FileOpening {
    held,
    missing,  // the file is gone: fine
    failed,   // it is there but could not be held (in use, access denied, a link)
};

class RemovalSystem {
public:
    virtual ~RemovalSystem() = default;
    // folder ends in "\".
    virtual FolderOpening OpenFolder(const char* folder, std::unique_ptr<HeldFolder>& held) = 0;
    virtual FileOpening HoldFile(const char* path, std::unique_ptr<HeldFile>& held) = 0;
    // Removes a folder when it is empty; false otherwise, which is no failure.
    virtual bool RemoveEmptyFolder(const char* folder) = 0;
    // True when only administrators may change the held folder (ending in "\"), as
    // an installation leaves it (install/folder_rights.h's rule).
    virtual bool IsLocked(const char* folder) = 0;
    // The files directly in the held folder that no administrator owns.
    virtual tw::UntrustedFiles FindUntrustedFiles(const char* folder) = 0;
};
