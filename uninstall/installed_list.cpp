#include "uninstall/installed_list.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "common/path_rules.h"

namespace tw {

namespace {

constexpr std::string_view kHeader = "Tarnwhistle installed files 1";
constexpr std::string_view kLineEnd = "\r\n";

const char* RoleName(FileRole role) {
    switch (role) {
        case FileRole::tool:
            return "tool";
        case FileRole::dll:
            return "dll";
        case FileRole::dllInDoubt:
            return "dll-in-doubt";
        default:
            return "file";
    }
}

std::optional<FileRole> RoleFromName(std::string_view name) {
    if (name == "file") return FileRole::file;
    if (name == "tool") return FileRole::tool;
    if (name == "dll") return FileRole::dll;
    if (name == "dll-in-doubt") return FileRole::dllInDoubt;
    return std::nullopt;
}

bool Writable(std::string_view path) {
    return !path.empty() && std::none_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20;
    });
}

// Splits text at tabs into exactly count fields.
std::optional<std::vector<std::string_view>> Fields(std::string_view text, std::size_t count) {
    std::vector<std::string_view> fields;
    for (std::size_t i = 1; i < count; ++i) {
        std::size_t tab = text.find('\t');
        if (tab == std::string_view::npos) return std::nullopt;
        fields.push_back(text.substr(0, tab));
        text.remove_prefix(tab + 1);
    }
    if (text.find('\t') != std::string_view::npos) return std::nullopt;
    fields.push_back(text);
    return fields;
}

std::optional<std::uint64_t> Size(std::string_view digits) {
    std::uint64_t size = 0;
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return size;
}

// 16 hex digits, as FolderNumber writes them.
std::optional<std::uint64_t> FolderNumberFrom(std::string_view digits) {
    std::uint64_t number = 0;
    if (digits.size() != 16) return std::nullopt;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return number;
}

std::string FolderNumber(std::uint64_t number) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (std::size_t i = 16; i-- > 0; number >>= 4) text[i] = kDigits[number & 0xF];
    return text;
}

bool ParseFolderLine(std::string_view line, InstalledList& list) {
    auto fields = Fields(line, 5);
    if (!fields || (*fields)[0] != "folder") return false;
    auto volume = FolderNumberFrom((*fields)[1]);
    auto index = FolderNumberFrom((*fields)[2]);
    std::string_view locked = (*fields)[3];
    std::string_view path = (*fields)[4];
    if (!volume || !index || (locked != "locked" && locked != "unlocked") || !Writable(path))
        return false;
    list.folders.push_back({std::string(path), {*volume, *index}, locked == "locked"});
    return true;
}

bool ParseLine(std::string_view line, InstalledList& list) {
    if (line.substr(0, 7) == "folder\t") return ParseFolderLine(line, list);
    if (auto fields = Fields(line, 2)) {
        std::string_view path = (*fields)[1];
        if (!Writable(path)) return false;
        if ((*fields)[0] == "appdir") {
            list.appDirs.emplace_back(path);
            return true;
        }
        if ((*fields)[0] == "record") {
            list.recordPaths.emplace_back(path);
            return true;
        }
        if ((*fields)[0] == "given") {
            list.givenDirs.emplace_back(path);
            return true;
        }
        return false;
    }
    auto fields = Fields(line, 4);
    if (!fields) return false;
    auto role = RoleFromName((*fields)[0]);
    auto digest = FromHex((*fields)[1]);
    auto size = Size((*fields)[2]);
    std::string_view path = (*fields)[3];
    if (!role || !digest || !size || !Writable(path)) return false;
    list.files.push_back({std::string(path), *digest, *size, *role});
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
    for (const std::string& dir : list.appDirs) {
        if (!Writable(dir)) return std::nullopt;
        text += "appdir\t" + dir + std::string(kLineEnd);
    }
    for (const std::string& dir : list.givenDirs) {
        if (!Writable(dir)) return std::nullopt;
        text += "given\t" + dir + std::string(kLineEnd);
    }
    for (const ListedFolder& folder : list.folders) {
        if (!Writable(folder.path)) return std::nullopt;
        text += "folder\t" + FolderNumber(folder.identity.volume) + "\t" +
                FolderNumber(folder.identity.index) +
                (folder.locked ? "\tlocked\t" : "\tunlocked\t") + folder.path +
                std::string(kLineEnd);
    }
    for (const std::string& record : list.recordPaths) {
        if (!Writable(record)) return std::nullopt;
        text += "record\t" + record + std::string(kLineEnd);
    }
    for (const ListedFile& file : list.files) {
        if (!Writable(file.path)) return std::nullopt;
        text += std::string(RoleName(file.role)) + "\t" + ToHex(file.digest) + "\t" +
                std::to_string(file.size) + "\t" + file.path + std::string(kLineEnd);
    }
    return text;
}

std::optional<InstalledList> ParseInstalledList(std::string_view bytes) {
    InstalledList list;
    bool header = true;
    while (!bytes.empty()) {
        std::size_t end = bytes.find(kLineEnd);
        if (end == std::string_view::npos) return std::nullopt;  // a line cut short
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end + kLineEnd.size());
        if (header) {
            if (line != kHeader) return std::nullopt;
            header = false;
        } else if (!ParseLine(line, list)) {
            return std::nullopt;
        }
    }
    if (header) return std::nullopt;
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
