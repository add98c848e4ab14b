#include "appdir/full_path.h"

#include <vector>

#include "common/path_rules.h"

namespace tw {

namespace {

// Both are single bytes, never part of a double-byte character where they are looked at.
bool IsSlash(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool HasDrive(std::string_view text) {
    return text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':';
}
bool IsUnc(std::string_view text) {
    return text.size() >= 2 && IsSlash(text[0]) && IsSlash(text[1]);
}
bool IsWhole(std::string_view text) {
    return IsUnc(text) || (HasDrive(text) && text.size() > 2 && IsSlash(text[2]));
}

bool SameDrive(std::string_view a, std::string_view b) {
    return HasDrive(a) && HasDrive(b) && (a[0] | 0x20) == (b[0] | 0x20);
}

// The part of a full path that ".." never leaves: "X:" or "\\server\share".
std::string RootOf(std::string_view full, const std::vector<std::string>& names) {
    if (HasDrive(full)) return std::string(full.substr(0, 2));
    std::string root = "\\\\";
    if (names.size() > 2) root += names[2];
    if (names.size() > 3) root += "\\" + names[3];
    return root;
}

// Neither byte is ever a trail byte (those start at 0x40).
bool IsDotOrBlank(char c) { return c == '.' || c == ' '; }

// A name as Windows opens it: followed by a separator, without one trailing dot;
// last, without any trailing dots and blanks.
std::string Trimmed(std::string name, bool last) {
    if (last) {
        while (!name.empty() && IsDotOrBlank(name.back())) name.pop_back();
    } else if (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    return name;
}

std::string Resolved(std::string_view whole) {
    std::vector<std::string> names = SplitAtSeparators(whole);
    std::string full = RootOf(whole, names);
    std::size_t first = HasDrive(whole) ? 1 : 4;
    std::vector<std::string> kept;
    bool trailing = names.size() > first && names.back().empty();
    for (std::size_t i = first; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        std::string trimmed = Trimmed(name, i + 1 == names.size());
        if (trimmed.empty()) {
            trailing = true;  // a last name of dots and blanks only: its folder is meant
            continue;
        }
        kept.push_back(std::move(trimmed));
    }
    for (const std::string& name : kept) full += "\\" + name;
    if (trailing || (kept.empty() && HasDrive(whole))) full += '\\';
    return full;
}

// True when Windows opens path (without a trailing separator) under another name
// because one of its names loses trailing dots or blanks.
bool NameLosesDotsOrBlanks(std::string_view path) {
    std::vector<std::string> names = SplitAtSeparators(path);
    for (std::size_t i = HasDrive(path) ? 1 : 4; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name == "." || name == "..") continue;
        if (Trimmed(name, i + 1 == names.size()) != name) return true;
    }
    return false;
}

}  // namespace

bool IsFullPathText(std::string_view text) {
    return IsWhole(text) && text.find('/') == std::string_view::npos;
}

std::string FullPathFrom(std::string_view text, std::string_view currentDirectory) {
    std::string current(currentDirectory);
    std::string whole;
    if (IsWhole(text)) {
        whole = text;
    } else if (HasDrive(text)) {
        std::string base = SameDrive(text, current) ? current : std::string(text.substr(0, 2));
        whole = base + "\\" + std::string(text.substr(2));
    } else if (!text.empty() && IsSlash(text[0])) {
        whole = RootOf(current, SplitAtSeparators(current)) + std::string(text);
    } else {
        whole = current + "\\" + std::string(text);
    }
    return Resolved(whole);
}

std::optional<std::string> DirectoryFullPath(std::string_view text,
                                             const FullPathFunction& fullPath) {
    auto once = [&](std::string_view directory) -> std::optional<std::string> {
        std::string bare = directory.size() > 3 && directory.back() == '/'
                               ? std::string(directory.substr(0, directory.size() - 1))
                               : WithoutTrailingSeparator(directory);
        std::optional<std::string> full = fullPath(bare.c_str());
        if (full && bare.size() < directory.size()) *full = WithTrailingSeparator(*full);
        return full;
    };
    std::optional<std::string> full = once(text);
    if (full && once(*full) != full) return std::nullopt;
    return full;
}

std::string DirectoryToRecord(std::string_view text, std::string_view full) {
    bool asTyped = IsFullPathText(text) && !NameLosesDotsOrBlanks(WithoutTrailingSeparator(text));
    return std::string(asTyped ? text : full);
}

}  // namespace tw
