#include "uninstall/installed_list.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "common/path_rules.h"
#include "common/text_fields.h"

namespace tw {

namespace {

constexpr std::string_view kHeader = "Tarnwhistle installed files 1";

// Each role's name in the list, in the enum's order.
constexpr const char* kRoleNames[] = {"file", "tool", "dll", "dll-in-doubt"};
constexpr int kLastRole = static_cast<int>(FileRole::dllInDoubt);
static_assert(sizeof(kRoleNames) / sizeof(kRoleNames[0]) == kLastRole + 1);

const char* RoleName(FileRole role) { return kRoleNames[static_cast<int>(role)]; }

std::optional<FileRole> RoleFromName(std::string_view name) {
    for (int role = 0; role <= kLastRole; ++role)
        if (name == kRoleNames[role]) return static_cast<FileRole>(role);
    return std::nullopt;
}

bool Writable(std::string_view path) {
    return !path.empty() && std::none_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20;
    });
}

// digits, all of them, as a number in base; nothing for anything else.
std::optional<std::uint64_t> Number(std::string_view digits, int base) {
    std::uint64_t number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return number;
}

// Decimal, without leading zeros.
std::optional<std::uint64_t> Size(std::string_view digits) {
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    return Number(digits, 10);
}

// 16 hex digits, as FolderNumber writes them.
std::optional<std::uint64_t> FolderNumberFrom(std::string_view digits) {
    if (digits.size() != 16) return std::nullopt;
    return Number(digits, 16);
}

std::string FolderNumber(std::uint64_t number) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (std::size_t i = 16; i-- > 0; number >>= 4) text[i] = kDigits[number & 0xF];
    return text;
}

bool ParseFolderLine(std::string_view line, InstalledList& list) {
    std::string_view f[5];  // folder, volume, index, locked, path
    if (!SplitFields(line, 5, f) || f[0] != "folder") return false;
    auto volume = FolderNumberFrom(f[1]);
    auto index = FolderNumberFrom(f[2]);
    if (!volume || !index || (f[3] != "locked" && f[3] != "unlocked") || !Writable(f[4]))
        return false;
    list.folders.push_back({std::string(f[4]), {*volume, *index}, f[3] == "locked"});
    return true;
}

bool ParseLine(std::string_view line, InstalledList& list) {
    if (line.substr(0, 7) == "folder\t") return ParseFolderLine(line, list);
    std::string_view f[4];
    if (SplitFields(line, 2, f)) {  // a kind of path, and the path
        std::vector<std::string>* paths = f[0] == "appdir"   ? &list.appDirs
                                          : f[0] == "record" ? &list.recordPaths
                                          : f[0] == "given"  ? &list.givenDirs
                                                             : nullptr;
        if (!paths || !Writable(f[1])) return false;
        paths->emplace_back(f[1]);
        return true;
    }
    if (!SplitFields(line, 4, f)) return false;  // role, digest, size, path
    auto role = RoleFromName(f[0]);
    auto digest = FromHex(f[1]);
    auto size = Size(f[2]);
    if (!role || !digest || !size || !Writable(f[3])) return false;
    list.files.push_back({std::string(f[3]), *digest, *size, *role});
    return true;
}

// How much a role says about what a removal must undo: a merge keeps the most.
int Weight(FileRole role) {
    if (role == FileRole::file) return 0;
    return role == FileRole::dllInDoubt ? 1 : 2;  // else the tool, a registered DLL
}

void AddPath(std::vector<std::string>& paths, const std::string& path) {
    for (const std::string& known : paths)
        if (SamePath(known, path)) return;
    paths.push_back(path);
}

}  // namespace

bool IsUnregistered(FileRole role) { return role == FileRole::dll || role == FileRole::dllInDoubt; }

std::optional<std::string> FormatInstalledList(const InstalledList& list) {
    std::string text(kHeader);
    text += kLineEnd;
    // A kind of path, and the path.
    auto addPaths = [&](const char* kind, const std::vector<std::string>& paths) {
        for (const std::string& path : paths) text += kind + path + std::string(kLineEnd);
        return std::all_of(paths.begin(), paths.end(), Writable);
    };
    if (!addPaths("appdir\t", list.appDirs) || !addPaths("given\t", list.givenDirs))
        return std::nullopt;
    for (const ListedFolder& folder : list.folders) {
        if (!Writable(folder.path)) return std::nullopt;
        text += "folder\t" + FolderNumber(folder.identity.volume) + "\t" +
                FolderNumber(folder.identity.index) +
                (folder.locked ? "\tlocked\t" : "\tunlocked\t") + folder.path +
                std::string(kLineEnd);
    }
    if (!addPaths("record\t", list.recordPaths)) return std::nullopt;
    for (const ListedFile& file : list.files) {
        if (!Writable(file.path)) return std::nullopt;
        text += std::string(RoleName(file.role)) + "\t" + ToHex(file.digest) + "\t" +
                std::to_string(file.size) + "\t" + file.path + std::string(kLineEnd);
    }
    return text;
}

std::optional<InstalledList> ParseInstalledList(std::string_view bytes) {
    std::string_view line;
    if (!NextLine(bytes, line) || line != kHeader) return std::nullopt;
    InstalledList list;
    while (NextLine(bytes, line))
        if (!ParseLine(line, list)) return std::nullopt;
    if (!bytes.empty()) return std::nullopt;  // a line cut short
    return list;
}

InstalledList MergeInstalledLists(const InstalledList& earlier, const InstalledList& later) {
    InstalledList merged = earlier;
    for (const std::string& dir : later.appDirs) AddPath(merged.appDirs, dir);
    for (const std::string& record : later.recordPaths) AddPath(merged.recordPaths, record);
    for (const std::string& dir : later.givenDirs) AddPath(merged.givenDirs, dir);
    for (const ListedFolder& folder : later.folders) {
        auto known =
            std::find_if(merged.folders.begin(), merged.folders.end(),
                         [&](const ListedFolder& f) { return SamePath(f.path, folder.path); });
        if (known == merged.folders.end())
            merged.folders.push_back(folder);
        else
            *known = folder;
    }
    // Thousands of files: each looked up by its key, not compared with every other.
    std::map<std::string, std::size_t> indexOf;
    for (std::size_t i = 0; i < merged.files.size(); ++i)
        indexOf.emplace(PathKey(merged.files[i].path), i);
    for (const ListedFile& file : later.files) {
        auto [known, added] = indexOf.emplace(PathKey(file.path), merged.files.size());
        if (added) {
            merged.files.push_back(file);
            continue;
        }
        ListedFile& listed = merged.files[known->second];
        FileRole role = Weight(file.role) > Weight(listed.role) ? file.role : listed.role;
        listed = file;
        listed.role = role;
    }
    return merged;
}

}  // namespace tw
