// The OK decision of the application-directory dialog, without the platform: the
// full path of the typed text, whether it names an existing folder that is no link,
// and whether that folder belongs to the driver package. The file search, the
// full-path rule, the folder identities and the package folder are passed in, so
// the decision is tested off-target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "appdir/folder_identity.h"
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
    link,           // a junction, symbolic link or other reparse point
    packageFolder,  // the package folder, its Driver\ or driversupport\, or inside those two
    runBusy,        // accepted, but another installation or removal holds the machine's
                    // lock: nothing written (AcceptDirectory only, never CheckAppDir)
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
// that still ends in a separator (a drive root such as C:\).
//
// An entry that is a link is refused whatever it leads to: the run writes into
// this folder with administrator rights, and a link there would carry the files
// wherever whoever made it chose. A link in a folder above it is not refused: such
// links are how a machine's folders are arranged (a moved profile, an old system
// name), the user chose the path through them, and where they lead into the
// package the identity test below catches it.
//
// The package test compares full paths, so that "." or "Driver" typed in the
// package folder is caught, and then identities, so that another spelling of the
// same folders is caught too: the folder is the package folder, or it or a folder
// above it is Driver\ or driversupport\. Identities that cannot be read match
// nothing; none is asked for without a package folder.
AppDirCheck CheckAppDir(std::string_view directoryText, const EntryLookup& lookup,
                        const FullPathFunction& fullPath, const FolderIdentityLookup& identity,
                        std::string_view packageFolder);

}  // namespace tw
