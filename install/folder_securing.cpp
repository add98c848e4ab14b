#include "install/folder_securing.h"

namespace tw {

FolderSecuring SecureFolderRights(FolderRightsAccess& folder) {
    using Result = FolderSecuring::Result;
    FolderRights rights;
    if (std::uint32_t error = folder.Read(rights)) return {Result::failed, error};
    if (!NeedsLocking(rights)) return {Result::unchanged, 0};
    if (std::uint32_t error = folder.Lock()) return {Result::failed, error};
    FolderRights locked;
    if (std::uint32_t error = folder.Read(locked)) return {Result::failed, error};
    if (NeedsLocking(locked)) return {Result::failed, kErrorRightsNotKept};
    return {Result::secured, 0};
}

}  // namespace tw
