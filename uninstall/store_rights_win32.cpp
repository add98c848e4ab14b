// The store's rights on Win32: the folder opened as itself (never through a link),
// its owner and access list read from that handle and, when they let anyone but
// SYSTEM, Administrators or the installer service in, replaced through it. The
// system passes the inheritable entries on to the files already inside.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <optional>
#include <string>

#include "common/path_rules.h"
#include "common/win32_attributes.h"
#include "common/locked_rights_win32.h"
#include "common/win32_handles.h"
#include "install/folder_rights.h"
#include "uninstall/store_rights.h"

namespace tw {

namespace {

// True when the owner, or any entry that allows anything (inherit-only ones
// included), is someone else's; or when there is no access list at all.
bool LetsOthersIn(HANDLE folder) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, descriptor.Out()) != ERROR_SUCCESS)
        return true;
    if (!IsTrustedOwner(SidText(owner)) || !dacl) return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return true;
        const BYTE type = static_cast<const ACE_HEADER*>(ace)->AceType;
        if (type == ACCESS_DENIED_ACE_TYPE) continue;
        if (type != ACCESS_ALLOWED_ACE_TYPE) return true;  // its SID lies elsewhere
        if (!IsTrustedOwner(SidText(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart))) return true;
    }
    return false;
}

}  // namespace

unsigned long SecureStoreFolder(const std::string& folder) {
    LocalMemory locked;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kLockedStoreSddl, SDDL_REVISION_1,
                                                              locked.Out(), nullptr))
        return GetLastError();
    const std::string path = WithoutTrailingSeparator(folder);
    // Made with its rights, so that it is never open to others for a moment.
    SECURITY_ATTRIBUTES made{sizeof(made), locked.Get(), FALSE};
    if (!CreateDirectoryA(path.c_str(), &made) && GetLastError() != ERROR_ALREADY_EXISTS)
        return GetLastError();
    FileHandle handle(
        CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.IsValid()) return GetLastError();
    std::optional<DWORD> attributes = AttributesOf(handle.Get());
    if (!attributes) return GetLastError();
    if ((*attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(*attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    if (!LetsOthersIn(handle.Get())) return 0;
    return ApplyRights(handle.Get(), locked.Get());
}

}  // namespace tw
