#include "install/folder_rights.h"

namespace tw {

bool IsTrustedOwner(std::string_view sid) {
    return sid == kLocalSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid;
}

bool NeedsLocking(const FolderRights& rights) {
    if (!rights.hasDacl || !IsTrustedOwner(rights.owner)) return true;
    for (const AccessEntry& e : rights.entries) {
        if (e.kind != AccessEntry::Kind::allow || (e.mask & kChangingRights) == 0) continue;
        if (e.sid == kCreatorOwnerSid || e.sid == kOwnerRightsSid) continue;
        if (!IsTrustedOwner(e.sid)) return true;
    }
    return false;
}

std::vector<std::string> UntrustedEntries(const std::vector<OwnedEntry>& entries) {
    std::vector<std::string> names;
    for (const OwnedEntry& entry : entries)
        if (entry.name != "." && entry.name != ".." && !IsTrustedOwner(entry.owner))
            names.push_back(entry.name);
    return names;
}

}  // namespace tw
