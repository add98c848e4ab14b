#include "install/folder_rights.h"

namespace tw {

bool IsTrustedOwner(std::string_view sid, std::string_view runningUser) {
    return sid == kLocalSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
           (!runningUser.empty() && sid == runningUser);
}

bool NeedsLocking(const FolderRights& rights, std::string_view runningUser) {
    if (!rights.hasDacl || !IsTrustedOwner(rights.owner, runningUser)) return true;
    for (const AccessEntry& e : rights.entries) {
        if (e.kind != AccessEntry::Kind::allow || (e.mask & kChangingRights) == 0) continue;
        if (e.sid == kCreatorOwnerSid || e.sid == kOwnerRightsSid) continue;
        if (!IsTrustedOwner(e.sid, runningUser)) return true;
    }
    return false;
}

}  // namespace tw
