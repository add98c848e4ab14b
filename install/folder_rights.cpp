#include "install/folder_rights.h"

#include <algorithm>

namespace tw {

namespace {

constexpr std::uint32_t kFullControl = 0x001F01FFu;      // FILE_ALL_ACCESS
constexpr std::uint32_t kReadAndExecute = 0x001200A9u;  // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
constexpr std::uint8_t kFilesAndFolders = kObjectInherit | kContainerInherit;

// The fixed administrative SIDs, compared as Windows spells them; a running user
// given as an empty text trusts nobody more.
bool IsAdministrativeSid(std::string_view sid) {
    return sid == kLocalSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid;
}

}  // namespace

bool IsTrustedOwner(std::string_view sid, std::string_view runningUser) {
    return IsAdministrativeSid(sid) || (!runningUser.empty() && sid == runningUser);
}

bool NeedsLocking(const FolderRights& rights, std::string_view runningUser) {
    if (!rights.hasDacl) return true;
    const bool ownerTrusted = IsTrustedOwner(rights.owner, runningUser);
    if (!ownerTrusted) return true;
    return std::any_of(rights.entries.begin(), rights.entries.end(), [&](const AccessEntry& e) {
        if (e.kind != AccessEntry::Kind::allow || (e.mask & kChangingRights) == 0) return false;
        if (e.sid == kCreatorOwnerSid || e.sid == kOwnerRightsSid) return false;
        return !IsTrustedOwner(e.sid, runningUser);
    });
}

FolderRights LockedFolderRights() {
    using Kind = AccessEntry::Kind;
    return {std::string(kAdministratorsSid),
            true,
            {{Kind::allow, std::string(kLocalSystemSid), kFullControl, kFilesAndFolders},
             {Kind::allow, std::string(kAdministratorsSid), kFullControl, kFilesAndFolders},
             {Kind::allow, std::string(kUsersSid), kReadAndExecute, kFilesAndFolders}}};
}

}  // namespace tw
