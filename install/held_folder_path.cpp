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

// "\\?\UNC\server\share\A" as "\\server\share\A", "\\?\C:\A" as "C:\A", a path
// without the prefix as it is; empty for any other path with the prefix
// ("\\?\Volume{...}\", a device).
std::string PlainPath(std::string_view path) {
    if (path.substr(0, kSharePrefix.size()) == kSharePrefix)
        return "\\\\" + std::string(path.substr(kSharePrefix.size()));
    if (path.substr(0, kLongPrefix.size()) != kLongPrefix) return std::string(path);
    path.remove_prefix(kLongPrefix.size());
    return IsDrive(path) ? std::string(path) : std::string();
}

}  // namespace

std::string PathWhileHeld(std::string_view spelled, std::string_view ownPath,
                          LeadBytePredicate isLead) {
    if (ownPath.empty()) {
        const std::string given = PlainPath(spelled);
        return given.empty() ? given : WithTrailingSeparator(given, isLead);
    }
    if (ownPath.substr(0, kLongPrefix.size()) != kLongPrefix) return {};
    const std::string own = PlainPath(ownPath);
    if (own.empty()) return {};
    return WithTrailingSeparator(SamePath(spelled, own, isLead) ? spelled : own, isLead);
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
