// The step that locks a destination folder to administrators before anything is
// written into it, and the check of the files already there before a tool starts.
// The order of the step (read, decide, set, read again) is here; each platform
// reads and sets the rights of one open folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install/folder_rights.h"

namespace tw {

struct FolderSecuring {
    enum class Result {
        unchanged,  // only administrators could change it already
        secured,    // it now has the locked access list
        failed,     // its rights could not be read or set (a FAT volume has none)
    };
    Result result = Result::unchanged;
    std::uint32_t error = 0;  // when failed: the system's error code
};

// The rights of one folder that the platform holds open.
class FolderRightsAccess {
public:
    virtual ~FolderRightsAccess() = default;
    // Fills rights; 0, or the system's error code.
    virtual std::uint32_t Read(FolderRights& rights) = 0;
    // Gives the folder the locked access list and owner; 0, or the error code.
    virtual std::uint32_t Lock() = 0;
};

// ERROR_NOT_SUPPORTED: the folder took the locked list and still lets others change it.
inline constexpr std::uint32_t kErrorRightsNotKept = 50;

// Reads the folder's rights and locks it when the rule says so; a lock is read back
// and must satisfy the rule, so a volume that drops rights silently fails too.
FolderSecuring SecureFolderRights(FolderRightsAccess& folder);

// The files and folders directly in a folder that no trusted owner owns, by name
// (those whose owner cannot be read among them); unreadable when the folder could
// not be listed, which trusts nothing in it.
struct UntrustedFiles {
    std::vector<std::string> names;
    bool unreadable = false;
    std::uint32_t error = 0;  // when unreadable
};

}  // namespace tw
