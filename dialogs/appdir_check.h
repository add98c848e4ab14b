// The OK decision of the application-directory dialog, without the platform: the
// working copy of the typed text and whether it names an existing folder. The
// search itself is passed in, so the decision is tested off-target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tw {

// The longest directory text the dialog takes, in bytes.
constexpr std::size_t kAppDirMaxBytes = 256;

// The attribute word of the first entry a file search for path finds, or nothing.
using EntryLookup = std::function<std::optional<std::uint32_t>(const char* path)>;

enum class AppDirVerdict {
    accepted,  // an existing folder: the record may be written
    missing,   // refused with the missing-directory message
    tooLong,   // longer than kAppDirMaxBytes: the data exchange refuses it first
};

struct AppDirCheck {
    AppDirVerdict verdict;
    // The text with one trailing separator dropped; the text itself stays as typed.
    std::string workingCopy;

    bool Accepted() const { return verdict == AppDirVerdict::accepted; }
};

// Decides OK for directoryText. The lookup is asked only for a working copy that
// a search can find as one folder: never for an empty text, a pattern, or a text
// that still ends in a separator (a drive root such as C:\).
AppDirCheck CheckAppDir(std::string_view directoryText, const EntryLookup& lookup);

}  // namespace tw
