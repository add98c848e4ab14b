// The dialog's OK decision on arbitrary texts and search answers: too long is
// refused before anything else, a pattern or a text still ending in a separator is
// never searched, and only a folder entry of the searched working copy is accepted.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/path_rules.h"
#include "dialogs/appdir_check.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 5 || size > 305) return 0;
    // The first four bytes are the attribute word the search answers; the fifth
    // tells whether it finds anything at all.
    std::uint32_t attributes = data[0] | (data[1] << 8) | (data[2] << 16) |
                               (static_cast<std::uint32_t>(data[3]) << 24);
    bool found = data[4] & 1;
    std::string text(reinterpret_cast<const char*>(data + 5), size - 5);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));  // as an edit gives it

    int lookups = 0;
    std::string searched;
    tw::AppDirCheck check = tw::CheckAppDir(text, [&](const char* path) {
        ++lookups;
        searched = path;
        return found ? std::optional<std::uint32_t>(attributes) : std::nullopt;
    });

    Check(lookups <= 1);
    if (text.size() > tw::kAppDirMaxBytes) {
        Check(check.verdict == tw::AppDirVerdict::tooLong && lookups == 0);
        return 0;
    }
    Check(check.verdict != tw::AppDirVerdict::tooLong);
    Check(check.workingCopy == tw::WithoutTrailingSeparator(text));
    if (lookups == 1) {
        Check(searched == check.workingCopy);
        Check(searched.find_first_of("*?<>\"") == std::string::npos);
        Check(!searched.empty() && !tw::EndsWithSeparator(searched));
    }
    bool folderFound = lookups == 1 && found && tw::IsDirectoryEntry(attributes);
    Check(check.Accepted() == folderFound);
    return 0;
}
