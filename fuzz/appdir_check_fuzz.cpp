// The dialog's OK decision on arbitrary texts and search answers, with the host's
// full-path rule from the package folder C:\pkg: too long (as typed or made whole)
// is refused before anything else; the full path used is the text when it is
// already whole with "\" separators and its full path otherwise; the folder
// searched is the folder that paths built on the recorded text reach (no name of
// it loses trailing dots or blanks in one and keeps them in the other); a pattern or a
// text still ending in a separator is never searched; only a folder entry of the
// searched working copy is accepted; an entry with the reparse bit is refused as a
// link before the folder test; a folder is refused when it is the package folder,
// its Driver\ or driversupport\ or inside those two. Identities are asked only
// for a folder that passed every other test, for the package's three folders and
// then for the folder and each folder above it; identities that tell every path
// apart (or that cannot be read, or number nothing) change no verdict, and
// identities that make every folder the package's Driver\ refuse every folder.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "appdir/appdir_check.h"
#include "appdir/full_path.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr const char* kPackage = "C:\\pkg";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The package's folders are ASCII, so a path that matches one of them byte by byte
// (in any case) holds only whole one-byte characters there.
bool IsFolderOrInside(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size()) return false;
    for (std::size_t i = 0; i < folder.size(); ++i)
        if (LowerAscii(path[i]) != LowerAscii(folder[i])) return false;
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

bool OverlapsPackage(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    const std::string package = kPackage;
    return (path.size() == package.size() && IsFolderOrInside(path, package)) ||
           IsFolderOrInside(path, package + "\\Driver") ||
           IsFolderOrInside(path, package + "\\driversupport");
}

// A full path: a drive or a server root; below a drive, no "." or ".." left.
void CheckIsFullPath(const std::string& path) {
    bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    Check(drive || path.rfind("\\\\", 0) == 0);
    if (!drive) return;
    for (const std::string& name : tw::SplitAtSeparators(path)) Check(name != "." && name != "..");
}

// How the fake identities answer.
enum class Identities { unreadable, distinct, allTheDriverFolder, numberNothing };

// Each path asked for, in order; answers as mode says.
struct FakeIdentities {
    Identities mode;
    std::vector<std::string> asked;
    std::map<std::string, std::uint64_t> numbers;

    std::optional<tw::FolderIdentity> operator()(const char* path) {
        asked.push_back(path);
        switch (mode) {
            case Identities::unreadable:
                return std::nullopt;
            case Identities::distinct:
                return tw::FolderIdentity{1,
                                          numbers.emplace(path, numbers.size() + 1).first->second};
            case Identities::allTheDriverFolder:
                return tw::FolderIdentity{1, 7};
            case Identities::numberNothing:
                return tw::FolderIdentity{1, 0};
        }
        return std::nullopt;
    }
};

// The identities asked for: the package's three folders, then (unless none of
// those is known) the resolved folder and the folders above it, each a proper
// prefix of the one before, ending at a separator or at a root.
void CheckIdentitiesAsked(const std::vector<std::string>& asked, const std::string& resolved,
                          bool packageKnown) {
    Check(asked.size() >= 3);
    Check(asked[0] == kPackage && asked[1] == std::string(kPackage) + "\\Driver" &&
          asked[2] == std::string(kPackage) + "\\driversupport");
    if (!packageKnown) {
        Check(asked.size() == 3);
        return;
    }
    Check(asked.size() >= 4);
    Check(asked[3] == tw::WithoutTrailingSeparator(resolved));
    for (std::size_t i = 4; i < asked.size(); ++i) {
        const std::string& inner = asked[i - 1];
        const std::string& outer = asked[i];
        Check(outer.size() < inner.size() && inner.compare(0, outer.size(), outer) == 0);
        Check(tw::EndsWithSeparator(outer) || inner[outer.size()] == '\\');
    }
    Check(asked.size() - 3 <= tw::SplitAtSeparators(resolved).size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 5 || size > 305) return 0;
    // The first four bytes are the attribute word the search answers; the fifth
    // tells whether it finds anything at all (bit 0), whether there is no package
    // folder (bit 1) and how identities answer (bits 2 and 3).
    std::uint32_t attributes =
        data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    bool found = data[4] & 1;
    std::string package = (data[4] & 2) ? "" : kPackage;
    FakeIdentities identities{static_cast<Identities>((data[4] >> 2) & 3), {}, {}};
    std::string text(reinterpret_cast<const char*>(data + 5), size - 5);
    text.resize(text.find('\0') == std::string::npos ? text.size()
                                                     : text.find('\0'));  // as an edit gives it

    int lookups = 0;
    std::string searched;
    auto fullPath = [](const char* typed) -> std::optional<std::string> {
        return tw::FullPathFrom(typed, kPackage);
    };
    tw::AppDirCheck check = tw::CheckAppDir(
        text,
        [&](const char* path) {
            ++lookups;
            searched = path;
            return found ? std::optional<std::uint32_t>(attributes) : std::nullopt;
        },
        fullPath, [&](const char* path) { return identities(path); }, package);

    Check(lookups <= 1);
    const bool identitiesAsked = !identities.asked.empty();
    if (text.size() > tw::kAppDirMaxBytes) {
        Check(check.verdict == tw::AppDirVerdict::tooLong && lookups == 0 && !identitiesAsked);
        return 0;
    }
    if (text.empty()) {
        Check(check.verdict == tw::AppDirVerdict::missing && lookups == 0 && !identitiesAsked);
        return 0;
    }
    const std::optional<std::string> full = tw::DirectoryFullPath(text, fullPath);
    if (!full) {  // a folder Windows would not open the same way twice
        Check(check.verdict == tw::AppDirVerdict::missing && lookups == 0);
        return 0;
    }
    const std::string& resolved = *full;
    CheckIsFullPath(resolved);
    const std::string& used = check.fullPath;
    Check(used == resolved || (used == text && tw::IsFullPathText(text)));
    if (used.size() > tw::kAppDirMaxBytes) {
        Check(check.verdict == tw::AppDirVerdict::tooLong && lookups == 0 && !identitiesAsked);
        return 0;
    }
    Check(check.verdict != tw::AppDirVerdict::tooLong);
    Check(check.workingCopy == tw::WithoutTrailingSeparator(used));
    if (lookups == 1) {
        Check(searched == check.workingCopy);
        // Below a drive (a server root without a name is left to the server).
        if (searched[1] == ':')
            Check(tw::FullPathFrom(searched + "\\Driver", kPackage) ==
                  tw::WithTrailingSeparator(tw::FullPathFrom(searched, kPackage)) + "Driver");
        Check(searched.find_first_of("*?<>\"") == std::string::npos);
        Check(!tw::EndsWithSeparator(searched));
    }
    bool link = lookups == 1 && found && (attributes & 0x400) != 0;
    Check((check.verdict == tw::AppDirVerdict::link) == link);
    bool folderFound = lookups == 1 && found && !link && tw::IsDirectoryEntry(attributes);
    bool inPackage = !package.empty() && OverlapsPackage(resolved);
    // The text rule decides first; identities are asked only when it let the folder pass.
    Check(identitiesAsked == (folderFound && !package.empty() && !inPackage));
    if (identitiesAsked)
        CheckIdentitiesAsked(identities.asked, resolved,
                             identities.mode == Identities::distinct ||
                                 identities.mode == Identities::allTheDriverFolder);
    if (identities.mode == Identities::allTheDriverFolder) inPackage = !package.empty();
    Check(check.Accepted() == (folderFound && !inPackage));
    Check((check.verdict == tw::AppDirVerdict::packageFolder) == (folderFound && inPackage));
    return 0;
}
