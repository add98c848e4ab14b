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
// ownPath itself in its plain form: a drive path without its "\\?\", a share's
// as "\\server\share\...". Either ends in a separator. Empty when ownPath is
// neither a drive path nor a share's. Without ownPath (the system named none), the
// path given in that plain form: the caller shows that it leads to the folder.
std::string PathWhileHeld(std::string_view spelled, std::string_view ownPath,
                          LeadBytePredicate isLead = IsSystemLeadByte);

// opened: the path a file was opened by; ownPath: the system's path of the file
// held, as GetFinalPathNameByHandle gives it. False when ownPath shows another
// file: under Wine a Unix link in the file's place opens as the file it points at
// (Windows refuses a link by its attributes). On the same drive letter the whole
// paths are compared; a path the system spells from another drive (a substituted
// or network drive) by the file's name only. No path at all is no refusal.
bool ShowsTheFileOpened(std::string_view opened, std::string_view ownPath,
                        LeadBytePredicate isLead = IsSystemLeadByte);

}  // namespace tw
