#include "install/held_folder_path.h"

namespace tw {

namespace {

constexpr std::string_view kLongPrefix = "\\\\?\\";
constexpr std::string_view kSharePrefix = "\\\\?\\UNC\\";

bool IsDrive(std::string_view path) {
    return path.size() >= 3 &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
           path[1] == ':' && path[2] == '\\';
}

}  // namespace

std::string PathWhileHeld(std::string_view spelled, std::string_view ownPath,
                          LeadBytePredicate isLead) {
    bool same = false;
    if (ownPath.substr(0, kSharePrefix.size()) == kSharePrefix) {
        // "\\?\UNC\server\share" is "\\server\share".
        same = spelled.substr(0, 2) == "\\\\" &&
               SamePath(spelled.substr(2), ownPath.substr(kSharePrefix.size()), isLead);
    } else if (ownPath.substr(0, kLongPrefix.size()) == kLongPrefix &&
               IsDrive(ownPath.substr(kLongPrefix.size()))) {
        ownPath.remove_prefix(kLongPrefix.size());
        same = SamePath(spelled, ownPath, isLead);
    } else {
        return {};
    }
    return WithTrailingSeparator(same ? spelled : ownPath, isLead);
}

bool ShowsTheFileOpened(std::string_view opened, std::string_view ownPath,
                        LeadBytePredicate isLead) {
    if (ownPath.empty()) return true;
    if (ownPath.substr(0, kLongPrefix.size()) == kLongPrefix)
        ownPath.remove_prefix(kLongPrefix.size());
    if (ownPath.size() > 2 && opened.size() > 2 && ownPath[1] == ':' && opened[1] == ':' &&
        SamePath(ownPath.substr(0, 2), opened.substr(0, 2), isLead))
        return SamePath(ownPath, opened, isLead);
    return SamePath(ownPath.substr(FolderPart(ownPath, isLead).size()),
                    opened.substr(FolderPart(opened, isLead).size()), isLead);
}

}  // namespace tw
