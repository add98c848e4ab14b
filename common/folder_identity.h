// What a folder is, whatever path leads to it: the volume serial number and the
// file index on Win32, device and inode on POSIX.
#pragma once

#include <cstdint>

namespace tw {

struct FolderIdentity {
    std::uint64_t volume;
    std::uint64_t index;

    bool operator==(const FolderIdentity&) const = default;
};

}  // namespace tw
