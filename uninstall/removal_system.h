// The platform operations the removal needs. The removal is plain logic over
// this interface; Win32, the host's POSIX imitation and the tests' fake each
// provide one. The registration tool is started and waited for through the
// installation system, as when installing.
#pragma once

#include <cstddef>
#include <memory>

// A folder held open, not through a link, and not deletable or renamable while
// held, so that it cannot be swapped for a link while its files are removed.
class HeldFolder {
public:
    virtual ~HeldFolder() = default;
};

enum class FolderOpening {
    held,     // the folder itself is held
    missing,  // nothing there: its files are gone already
    link,     // a junction, symbolic link or other reparse point: never entered
    failed,   // anything else (not a folder, access denied, ...)
};

// A file held open for reading and deleting; others may read it (and so start or
// load it) but neither write, rename nor delete it while it is held.
class HeldFile {
public:
    virtual ~HeldFile() = default;
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
};
