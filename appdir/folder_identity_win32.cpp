#include "appdir/folder_identity.h"

#include <windows.h>

#include "common/win32_attributes.h"
#include "common/win32_handles.h"

namespace tw {

std::optional<FolderIdentity> ReadFolderIdentity(const char* path) {
    // No access asked: the attributes can be read even where reading the folder is
    // denied. Links are followed, since what matters is where the path leads; the
    // backup flag lets a folder be opened at all.
    FileHandle opened(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.IsValid()) return std::nullopt;
    return IdentityOf(opened.Get());
}

}  // namespace tw
