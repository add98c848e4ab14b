// After an installation that copied at least one file: what it installed added
// to the installed-files list, the installer copied, the uninstall entry
// written. Installed files are never touched here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/install_summary.h"
#include "uninstall/removal_store.h"
#include "uninstall/sha256.h"

namespace tw {

struct FileDigest {
    Sha256Digest digest{};
    std::uint64_t size = 0;
};
// The digest of a file's bytes as they are now; nothing when it cannot be read.
using FileDigestFunction = std::function<std::optional<FileDigest>(const char* path)>;
// Through the framework's file class, opened for reading with writes denied.
std::optional<FileDigest> DigestOfFile(const char* path);

struct InstalledRun {
    std::string appDir;               // ending in "\"
    std::string recordPath;           // the record's full path
    std::vector<std::string> copied;  // destinations of completed copies, in order
    const InstallSummary* summary;    // which DLLs were registered
    std::string displayName;          // the uninstall entry's name (code page 936)
};

// What could not be kept, by name (a file whose digest could not be taken, the
// list, the copy, the entry), for the run's failures; empty when all went well.
// An unreadable list is never overwritten: earlier installations stay listed.
std::vector<std::string> KeepForRemoval(const InstalledRun& run, RemovalStore& store,
                                        const FileDigestFunction& digestOf = DigestOfFile);

}  // namespace tw
