// The platform's side of locking the destination folders (install/folder_securing.h):
// Win32 security descriptors in the program, Unix owners and mode bits on the host.
#pragma once

#include <cstdint>

#include "install/folder_rights.h"
#include "install/folder_securing.h"

namespace tw {

// folder ends in a separator; it is opened as itself, never through a link.
FolderSecuring SecurePlatformFolder(const char* folder);
UntrustedFiles FindPlatformUntrustedFiles(const char* folder);
// The folder's owner and access list as the rule sees them; 0 or the error code.
std::uint32_t ReadPlatformFolderRights(const char* folder, FolderRights& rights);

}  // namespace tw
