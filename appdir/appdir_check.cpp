#include "appdir/appdir_check.h"

#include "common/path_rules.h"

namespace tw {

namespace {

// Characters the file search takes as a pattern: "*" and "?", and "<", ">" and
// '"', which it reads as the DOS forms of them. None can be part of a folder's
// name, and none is ever a trail byte (those start at 0x40), so a byte search is
// exact.
bool HasSearchPattern(std::string_view text) {
    return text.find_first_of("*?<>\"") != std::string_view::npos;
}

// The package's own folders: the support pass reads driversupport\ and writes into
// A and A\Driver\, the driver pass reads Driver\. A folder elsewhere inside the
// package overlaps none of them.
bool OverlapsPackage(std::string_view directory, std::string_view packageFolder) {
    if (packageFolder.empty()) return false;
    std::string package = WithTrailingSeparator(packageFolder);
    return SamePath(directory, packageFolder) || IsSameOrInside(directory, package + "Driver") ||
           IsSameOrInside(directory, package + "driversupport");
}

}  // namespace

AppDirCheck CheckAppDir(std::string_view directoryText, const EntryLookup& lookup,
                        const FullPathFunction& fullPath, std::string_view packageFolder) {
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
    if (!attributes || !IsDirectoryEntry(*attributes)) return check;
    check.verdict = OverlapsPackage(*resolved, packageFolder) ? AppDirVerdict::packageFolder
                                                              : AppDirVerdict::accepted;
    return check;
}

}  // namespace tw
