// After an installation that copied at least one file: what it installed added
// to the installed-files list, the installer copied, the uninstall entry
// written. Installed files are never touched here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "install/install_summary.h"
#include "install/copy_recorder.h"
#include "uninstall/removal_store.h"
#include "common/sha256.h"

namespace tw {

struct InstalledRun {
    std::string appDir;              // as the user gave it, ending in "\"
    std::string recordPath;          // the record's full path
    std::vector<CopiedFile> copied;  // the completed copies, in order
    const InstallSummary* summary;   // which DLLs were registered
    std::string displayName;         // the uninstall entry's name (code page 936)
};

// Two steps, so that the run can make its commit final once the list is written.
// What could not be kept is named (a file whose copy gave no digest, the list, the
// copy, the entry), for the run's failures; nothing when all went well.
//
// First the list: the digests are the copies' own, no installed file is read again.
// An unreadable list is never overwritten: earlier installations stay listed. The
// application directory is listed, and the roles keyed, by the path the engine
// worked under (summary's appFolder), with what A and A\Driver were; the user's
// spelling, when another, is listed as given, and named by the entry. listedBytes
// is set once the list is written.
struct KeptList {
    std::vector<std::string> failed;
    std::optional<std::uint64_t> listedBytes;
};
KeptList KeepListForRemoval(const InstalledRun& run, RemovalStore& store);
// Then, only after a list was written, the installer's copy and the uninstall entry.
std::vector<std::string> KeepEntryForRemoval(const InstalledRun& run, std::uint64_t listedBytes,
                                             RemovalStore& store);

}  // namespace tw
