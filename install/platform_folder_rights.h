// Win32's side of locking the destination folders (install/folder_securing.h):
// the folders' security descriptors.
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
