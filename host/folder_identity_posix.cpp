// POSIX imitation of the folder identity: device and inode, links followed.
#include <sys/stat.h>

#include "appdir/folder_identity.h"
#include "common/path_rules.h"

namespace tw {

std::optional<FolderIdentity> ReadFolderIdentity(const char* path) {
    struct stat st {};
    if (stat(ToPosixPath(path).c_str(), &st) != 0) return std::nullopt;
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace tw
