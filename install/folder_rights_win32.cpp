// Folder rights on Win32: the owner and access list read with GetSecurityInfo from
// a handle that opens the folder as itself, and the locked descriptor built by the
// system from its descriptor language and set through the same handle. Setting an
// access list makes the system pass its inheritable entries on to the files and
// folders already inside.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "common/win32_attributes.h"
#include "common/locked_rights_win32.h"
#include "common/win32_handles.h"
#include "install/platform_folder_rights.h"

namespace tw {

namespace {

// The SID of the account this process runs as; empty when it cannot be read.
std::string RunningAccount() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) return {};
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return {};
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

// Windows keeps the owner a file is given, and gives an elevated run's new files
// to the administrators. Wine keeps no owner but the Unix one, which it reports
// as the account running the program whatever owner was set, and has no other
// account: there that account stands for the administrators, as the host's
// imitation reads its own user.
std::string AccountText(PSID sid) {
    static const std::string unixOwner =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? RunningAccount()
                                                                          : std::string();
    std::string text = SidText(sid);
    if (!unixOwner.empty() && text == unixOwner) return std::string(kAdministratorsSid);
    return text;
}

bool IsDenyType(BYTE type) {
    return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
           type == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
           type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

// Allow and deny entries as they are; any other kind, whose SID lies elsewhere,
// as an allow of every changing right to nobody trusted.
void ReadEntries(PACL acl, std::vector<AccessEntry>& entries) {
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        AccessEntry entry{AccessEntry::Kind::allow, {}, kChangingRights, 0};
        if (GetAce(acl, i, &ace)) {
            const auto* header = static_cast<const ACE_HEADER*>(ace);
            entry.flags = header->AceFlags;
            if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                header->AceType == ACCESS_DENIED_ACE_TYPE) {
                // Both kinds share ACCESS_ALLOWED_ACE's layout.
                auto* basic = static_cast<ACCESS_ALLOWED_ACE*>(ace);
                entry.kind = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? AccessEntry::Kind::allow
                                                                        : AccessEntry::Kind::deny;
                entry.mask = basic->Mask;
                entry.sid = AccountText(&basic->SidStart);
            } else if (IsDenyType(header->AceType)) {
                entry.kind = AccessEntry::Kind::deny;
            }
        }
        entries.push_back(std::move(entry));
    }
}

std::uint32_t ReadRights(HANDLE handle, FolderRights& rights) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                  nullptr, &dacl, nullptr, descriptor.Out());
    if (error != ERROR_SUCCESS) return error;
    rights.owner = AccountText(owner);
    rights.hasDacl = dacl != nullptr;
    rights.entries.clear();
    if (dacl) ReadEntries(dacl, rights.entries);
    return 0;
}

class Win32FolderRights : public FolderRightsAccess {
public:
    explicit Win32FolderRights(HANDLE handle) : m_handle(handle) {}
    std::uint32_t Read(FolderRights& rights) override { return ReadRights(m_handle, rights); }
    std::uint32_t Lock() override { return ApplyRights(m_handle, kLockedFolderSddl); }

private:
    HANDLE m_handle;
};

// The file or folder itself, never what a link in its place leads to.
HANDLE OpenAsItself(const std::string& path, DWORD access) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

constexpr DWORD kRightsAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES;

}  // namespace

FolderSecuring SecurePlatformFolder(const char* folder) {
    FileHandle handle(OpenAsItself(WithoutTrailingSeparator(folder), kRightsAccess));
    if (!handle.IsValid()) return {FolderSecuring::Result::failed, GetLastError()};
    std::optional<DWORD> attributes = AttributesOf(handle.Get());
    if (!attributes) return {FolderSecuring::Result::failed, GetLastError()};
    if ((*attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(*attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {FolderSecuring::Result::failed, ERROR_DIRECTORY};
    Win32FolderRights rights(handle.Get());
    return SecureFolderRights(rights);
}

std::uint32_t ReadPlatformFolderRights(const char* folder, FolderRights& rights) {
    FileHandle handle(OpenAsItself(WithoutTrailingSeparator(folder), READ_CONTROL));
    if (!handle.IsValid()) return GetLastError();
    return ReadRights(handle.Get(), rights);
}

UntrustedFiles FindPlatformUntrustedFiles(const char* folder) {
    UntrustedFiles found;
    const std::string base = WithTrailingSeparator(folder);
    WIN32_FIND_DATAA data{};
    FindHandle search(FindFirstFileA((base + "*").c_str(), &data));
    if (!search.IsValid()) {
        found.unreadable = true;
        found.error = GetLastError();
        return found;
    }
    std::vector<OwnedEntry> entries;
    do {
        // An entry whose owner cannot be read is trusted no more than another user's.
        FileHandle entry(OpenAsItself(base + data.cFileName, READ_CONTROL));
        PSID owner = nullptr;
        LocalMemory descriptor;
        bool read = entry.IsValid() &&
                    GetSecurityInfo(entry.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                    nullptr, nullptr, nullptr, descriptor.Out()) == ERROR_SUCCESS;
        entries.push_back({data.cFileName, read ? AccountText(owner) : std::string()});
    } while (FindNextFileA(search.Get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        found.unreadable = true;
        found.error = GetLastError();
    }
    found.names = UntrustedEntries(entries);
    return found;
}

}  // namespace tw
