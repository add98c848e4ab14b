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

std::string Resolved(std::string_view whole) {
    std::vector<std::string> names = SplitAtSeparators(whole);
    std::string full = RootOf(whole, names);
    std::size_t first = HasDrive(whole) ? 1 : 4;
    std::vector<std::string> kept;
    for (std::size_t i = first; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(name);
    }
    for (const std::string& name : kept) full += "\\" + name;
    bool trailing = names.size() > first && names.back().empty();
    if (trailing || (kept.empty() && HasDrive(whole))) full += '\\';
    return full;
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

}  // namespace tw
