#include "appdir/appdir_check.h"

#include <algorithm>
#include <vector>

#include "common/package_names.h"
#include "common/path_rules.h"

namespace tw {

namespace {

constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;

// Characters the file search takes as a pattern: "*" and "?", and "<", ">" and
// '"', which it reads as the DOS forms of them. None can be part of a folder's
// name, and none is ever a trail byte (those start at 0x40), so a byte search is
// exact.
bool HasSearchPattern(std::string_view text) {
    return text.find_first_of("*?<>\"") != std::string_view::npos;
}

// The package's own folders: the support pass reads driversupport\ and writes
// into the application directory and its Driver\, the driver pass reads Driver\.
// A folder elsewhere inside the package overlaps none of them.
bool OverlapsPackage(std::string_view directory, std::string_view packageFolder) {
    if (packageFolder.empty()) return false;
    std::string package = WithTrailingSeparator(packageFolder);
    return SamePath(directory, packageFolder) ||
           IsSameOrInside(directory, Joined(package, FolderName(kDriverFolder))) ||
           IsSameOrInside(directory, Joined(package, FolderName(kSupportFolder)));
}

// How many bytes of a full path no ".." leaves: "X:\", "\\server\share\" (and so
// "\\.\X:\"), or "/" on the host.
std::size_t RootLength(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':') return 3;
    if (path.rfind("\\\\", 0) != 0) return path.rfind('/', 0) == 0 ? 1 : 0;
    std::vector<std::string> names = SplitAtSeparators(path);
    std::size_t length = 2;
    for (std::size_t i = 2; i < names.size() && i < 4; ++i) length += names[i].size() + 1;
    return std::min(length, path.size());
}

// path and every folder above it, innermost first, down to its root.
std::vector<std::string> PathAndFoldersAbove(std::string_view path) {
    std::vector<std::string> folders;
    std::string current = WithoutTrailingSeparator(path);
    const std::string root = current.substr(0, RootLength(current));
    while (true) {
        folders.push_back(current);
        std::size_t parent = FolderPart(current).size();
        if (current.size() <= root.size() || parent == 0) break;
        current = parent <= root.size() ? root : current.substr(0, parent - 1);
    }
    return folders;
}

// An identity that numbers nothing (index 0, as some network file systems report
// for every file) would match everything on its volume: it counts as unknown.
std::optional<FolderIdentity> KnownIdentity(const FolderIdentityLookup& identity,
                                            const std::string& path) {
    std::optional<FolderIdentity> found = identity(path.c_str());
    if (found && found->index == 0) return std::nullopt;
    return found;
}

// The same folders as OverlapsPackage, recognised by identity rather than by
// spelling: the folder is the package folder itself, or it or a folder above it is
// the package's Driver\ or driversupport\. A folder elsewhere below the package
// folder stays allowed, as the text rule allows it.
bool IsPackageByIdentity(std::string_view directory, std::string_view packageFolder,
                         const FolderIdentityLookup& identity) {
    std::string package = WithTrailingSeparator(packageFolder);
    std::optional<FolderIdentity> packageItself =
        KnownIdentity(identity, WithoutTrailingSeparator(packageFolder));
    std::optional<FolderIdentity> driver =
        KnownIdentity(identity, Joined(package, FolderName(kDriverFolder)));
    std::optional<FolderIdentity> support =
        KnownIdentity(identity, Joined(package, FolderName(kSupportFolder)));
    if (!packageItself && !driver && !support) return false;
    bool innermost = true;
    for (const std::string& folder : PathAndFoldersAbove(directory)) {
        std::optional<FolderIdentity> found = KnownIdentity(identity, folder);
        if (found && ((innermost && found == packageItself) || found == driver || found == support))
            return true;
        innermost = false;
    }
    return false;
}

}  // namespace

AppDirCheck CheckAppDir(std::string_view directoryText, const EntryLookup& lookup,
                        const FullPathFunction& fullPath, const FolderIdentityLookup& identity,
                        std::string_view packageFolder) {
    AppDirCheck check{AppDirVerdict::missing, {}, {}};
    if (directoryText.size() > kAppDirMaxBytes) {
        check.verdict = AppDirVerdict::tooLong;
        return check;
    }
    if (directoryText.empty()) return check;
    std::string text(directoryText);
    std::optional<std::string> resolved = DirectoryFullPath(text, fullPath);
    if (!resolved) return check;
    check.fullPath = DirectoryToRecord(text, *resolved);
    if (check.fullPath.size() > kAppDirMaxBytes) {
        check.verdict = AppDirVerdict::tooLong;
        return check;
    }
    check.workingCopy = WithoutTrailingSeparator(check.fullPath);
    const std::string& path = check.workingCopy;
    // A search for a path that ends in a separator finds nothing.
    if (HasSearchPattern(path) || EndsWithSeparator(path)) return check;
    std::optional<std::uint32_t> attributes = lookup(path.c_str());
    if (!attributes) return check;
    // The search reports the entry itself, not what a link leads to. A link is
    // named as such before the folder test, whatever it points at, so that the user
    // is told why.
    if (*attributes & kFileAttributeReparsePoint) {
        check.verdict = AppDirVerdict::link;
        return check;
    }
    if (!IsDirectoryEntry(*attributes)) return check;
    bool inPackage =
        !packageFolder.empty() && (OverlapsPackage(*resolved, packageFolder) ||
                                   IsPackageByIdentity(*resolved, packageFolder, identity));
    check.verdict = inPackage ? AppDirVerdict::packageFolder : AppDirVerdict::accepted;
    return check;
}

}  // namespace tw
