// FILE_FLAG_OPEN_REPARSE_POINT opens a link as itself, and the attributes of
// the handle then tell it from a folder. The handle asks for reading: a handle
// with attribute access alone would not take part in sharing, and so would not
// keep others from renaming or deleting the folder; without FILE_SHARE_DELETE
// this one does. The path for later opens comes from the handle, and is
// checked to lead to the folder held.
#include "install/folder_hold.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "common/path_rules.h"
#include "common/win32_attributes.h"
#include "common/win32_error_codes.h"
#include "common/win32_handles.h"
#include "install/held_folder_path.h"

namespace tw {

namespace {

class Win32FolderHold : public Hold {
public:
    Win32FolderHold(FileHandle handle, std::string path)
        : m_handle(std::move(handle)), m_path(std::move(path)) {}
    std::string Path() const override { return m_path; }
    std::optional<FolderIdentity> Identity() const override { return IdentityOf(m_handle.Get()); }

private:
    FileHandle m_handle;
    std::string m_path;
};

// True when path, opened as itself, is the folder held: the same file of the same volume.
bool LeadsTo(const std::string& path, HANDLE held) {
    FileHandle opened(
        CreateFileA(WithoutTrailingSeparator(path).c_str(), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const std::optional<FolderIdentity> identity = IdentityOf(opened.Get());
    return identity && identity == IdentityOf(held);
}

// The path of the held folder as install/held_folder_path.h chooses it, when it
// leads to that folder; empty otherwise. Where the system names no path, the
// path given stands once it is shown to lead to the folder held.
std::string HeldPath(const char* spelled, HANDLE held) {
    std::string path = PathWhileHeld(spelled, FinalPathOf(held));
    return !path.empty() && LeadsTo(path, held) ? path : std::string();
}

}  // namespace

FolderOpening OpenFolderAsItself(const char* folder, std::unique_ptr<Hold>& held) {
    std::string path = WithoutTrailingSeparator(folder);
    FileHandle handle(CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.IsValid())
        return IsMissing(static_cast<long>(GetLastError())) ? FolderOpening::missing
                                                            : FolderOpening::failed;
    std::optional<DWORD> attributes = AttributesOf(handle.Get());
    if (!attributes) return FolderOpening::failed;
    if ((*attributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsLinkByName(path))
        return FolderOpening::link;
    if (!(*attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderOpening::failed;
    std::string heldPath = HeldPath(folder, handle.Get());
    if (heldPath.empty()) return FolderOpening::failed;
    held = std::make_unique<Win32FolderHold>(std::move(handle), std::move(heldPath));
    return FolderOpening::held;
}

}  // namespace tw
