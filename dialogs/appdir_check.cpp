#include "dialogs/appdir_check.h"

#include "common/path_rules.h"

namespace tw {

namespace {

// Characters the file search takes as a pattern: "*" and "?", and "<", ">" and
// '"', which it reads as the DOS forms of them. None can be part of a folder's
// name, and none is ever a code page 936 trail byte (those start at 0x40), so a
// byte search is exact.
bool HasSearchPattern(std::string_view text) {
    return text.find_first_of("*?<>\"") != std::string_view::npos;
}

}  // namespace

AppDirCheck CheckAppDir(std::string_view directoryText, const EntryLookup& lookup) {
    AppDirCheck check{AppDirVerdict::missing, WithoutTrailingSeparator(directoryText)};
    if (directoryText.size() > kAppDirMaxBytes) {
        check.verdict = AppDirVerdict::tooLong;
        return check;
    }
    const std::string& path = check.workingCopy;
    // A search for a path that ends in a separator finds nothing.
    if (path.empty() || HasSearchPattern(path) || EndsWithSeparator(path)) return check;
    std::optional<std::uint32_t> attributes = lookup(path.c_str());
    if (attributes && IsDirectoryEntry(*attributes)) check.verdict = AppDirVerdict::accepted;
    return check;
}

}  // namespace tw
