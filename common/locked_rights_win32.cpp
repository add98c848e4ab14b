#include "common/locked_rights_win32.h"

#include <aclapi.h>
#include <sddl.h>

#include "common/win32_handles.h"

namespace tw {

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) return {};
    LocalMemory keep(text);
    return text;
}

DWORD ApplyRights(HANDLE handle, PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
        !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted))
        return GetLastError();
    return SetSecurityInfo(handle, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           owner, nullptr, dacl, nullptr);
}

DWORD ApplyRights(HANDLE handle, const char* sddl) {
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                              descriptor.Out(), nullptr))
        return GetLastError();
    return ApplyRights(handle, descriptor.Get());
}

}  // namespace tw
