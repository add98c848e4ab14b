// The OK decision of the application-directory dialog, without the platform: the
// full path of the typed text, whether it names an existing folder, and whether
// that folder belongs to the driver package. The file search, the full-path rule
// and the package folder are passed in, so the decision is tested off-target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "appdir/full_path.h"

namespace tw {

// The longest directory text the dialog takes, in bytes; its full path too.
constexpr std::size_t kAppDirMaxBytes = 256;

// The attribute word of the first entry a file search for path finds, or nothing.
using EntryLookup = std::function<std::optional<std::uint32_t>(const char* path)>;

enum class AppDirVerdict {
    accepted,       // an existing folder: the record may be written
    missing,        // refused with the missing-directory message
    tooLong,        // the text, or its full path, is longer than kAppDirMaxBytes
    packageFolder,  // the package folder, its Driver\ or driversupport\, or inside those two
};

struct AppDirCheck {
    AppDirVerdict verdict;
    // The directory to record and install into: the text itself when it is already
    // a full path with "\" separators (unless Windows opens it without trailing dots
    // or blanks of its names), otherwise its full path. Empty when none was made.
    std::string fullPath;
    // fullPath with one trailing separator dropped: what the search is asked for.
    std::string workingCopy;

    bool Accepted() const { return verdict == AppDirVerdict::accepted; }
};

// Decides OK for directoryText. packageFolder is the folder the driver files are
// installed from (empty: none). The lookup is asked only for a working copy that
// a search can find as one folder: never for an empty text, a pattern, or a text
// that still ends in a separator (a drive root such as C:\). The package test
// compares full paths, so that "." or "Driver" typed in the package folder is caught.
AppDirCheck CheckAppDir(std::string_view directoryText, const EntryLookup& lookup,
                        const FullPathFunction& fullPath, std::string_view packageFolder);

}  // namespace tw
