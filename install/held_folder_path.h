// The path by which a held folder is reached again while it is held. The system
// names a folder from its handle by the path that leads to it through no link
// ("\\?\C:\A", "\\?\UNC\server\share\A"); while the folder is held nobody can
// rename or delete it or a folder above it, so that path keeps leading to it,
// whereas a link on the way of the path given may be pointed elsewhere meanwhile.
#pragma once

#include <string>
#include <string_view>

#include "common/path_rules.h"

namespace tw {

// ownPath: the system's path of the held folder, as GetFinalPathNameByHandle gives
// it. The path given (spelled) when it is the same path as ownPath, as SamePath
// compares them, so that what the run starts and logs keeps its spelling; else
// ownPath itself, a drive path without its "\\?\". Either ends in a separator.
// Empty when ownPath is neither a drive path nor a share's.
std::string PathWhileHeld(std::string_view spelled, std::string_view ownPath,
                          LeadBytePredicate isLead = IsSystemLeadByte);

}  // namespace tw
