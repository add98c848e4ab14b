// What a folder is, whatever path leads to it: the OK decision compares these, so
// that the package is recognised under another spelling (a short name, "\\?\", a
// substituted drive, a link above the folder).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tw {

// Win32: the volume serial number and the file index; POSIX: device and inode.
struct FolderIdentity {
    std::uint64_t volume;
    std::uint64_t index;

    bool operator==(const FolderIdentity&) const = default;
};

// The identity of what path leads to, links followed, or nothing when it cannot be read.
using FolderIdentityLookup = std::function<std::optional<FolderIdentity>(const char* path)>;

// The platform's: CreateFileA and GetFileInformationByHandle on Win32, stat on POSIX.
std::optional<FolderIdentity> ReadFolderIdentity(const char* path);

}  // namespace tw
