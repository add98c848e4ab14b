// The list of what installations put on the machine, which the removal works
// from. Text in the ANSI code page, one item a line, CR LF:
//   Tarnwhistle installed files 1
//   appdir<TAB><application directory, ending in "\">
//   given<TAB><an application directory as the user spelled it, as the record holds it>
//   folder<TAB><volume><TAB><index><TAB>locked|unlocked<TAB><path, ending in "\">
//   record<TAB><full path of a configuration record>
//   <role><TAB><64 hex digits of SHA-256><TAB><size in bytes><TAB><full path>
// An application directory is the path of the folder the installation held (a
// drive path, or a share's as "\\server\share\..."), whatever spelling the user
// gave: the spelling, when another, is a "given" line. A "folder" line says what
// an application directory or its Driver\ was when installed (volume serial and
// file index, 16 hex digits each) and whether it had been locked to
// administrators; lists written before those lines existed hold none.
// role is "file", "tool" (the registration tool, which unregisters the DLLs of
// its folder's Driver\), "dll" (a DLL that was registered) or "dll-in-doubt" (a
// DLL whose registration was started but did not end with 0: it may be
// registered, so it is unregistered too, but a failure to is no fault; lists
// written before that role existed hold none). Application
// directories, records and files keep the order in which installations first
// met them. A path never holds a tab or a line break: no Windows name does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/folder_identity.h"
#include "common/sha256.h"

namespace tw {

enum class FileRole { file, tool, dll, dllInDoubt };

// A DLL to unregister at removal.
bool IsUnregistered(FileRole role);

struct ListedFile {
    std::string path;
    Sha256Digest digest{};
    std::uint64_t size = 0;
    FileRole role = FileRole::file;

    friend bool operator==(const ListedFile&, const ListedFile&) = default;
};

// A destination folder as the installation held it.
struct ListedFolder {
    std::string path;  // ending in "\"
    FolderIdentity identity{};
    bool locked = false;  // locked to administrators before its first file

    friend bool operator==(const ListedFolder&, const ListedFolder&) = default;
};

struct InstalledList {
    std::vector<std::string> appDirs;
    std::vector<std::string> recordPaths;
    std::vector<ListedFile> files;
    // Lines lists written before them lack; often left out where a list is built.
    std::vector<std::string> givenDirs = {};  // spellings the records may hold
    std::vector<ListedFolder> folders = {};

    friend bool operator==(const InstalledList&, const InstalledList&) = default;
};

// The list's bytes; nothing when a path holds a byte below 0x20, which a line
// cannot carry (no such list is ever written).
std::optional<std::string> FormatInstalledList(const InstalledList& list);
// The list the bytes hold; nothing for anything FormatInstalledList never writes.
std::optional<InstalledList> ParseInstalledList(std::string_view bytes);

// A later installation added to an earlier list: paths are compared as Windows
// compares names. A file installed again takes its new digest and size and keeps
// its place; it stays a DLL to unregister, or the tool, when either run said so
// (a DLL registered once stays registered until it is unregistered; one in doubt
// stays at least in doubt). New
// directories, records and files follow the earlier ones in their order. A folder
// listed again takes what the later run found: it may have been made anew.
InstalledList MergeInstalledLists(const InstalledList& earlier, const InstalledList& later);

}  // namespace tw
