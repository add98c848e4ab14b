// What a folder is, whatever path leads to it: the OK decision compares these, so
// that the package is recognised under another spelling (a short name, "\\?\", a
// substituted drive, a link above the folder).
#pragma once

#include <functional>
#include <optional>

#include "common/folder_identity.h"

namespace tw {

// The identity of what path leads to, links followed, or nothing when it cannot be read.
using FolderIdentityLookup = std::function<std::optional<FolderIdentity>(const char* path)>;

// The platform's: CreateFileA and GetFileInformationByHandle on Win32, stat on POSIX.
std::optional<FolderIdentity> ReadFolderIdentity(const char* path);

}  // namespace tw
