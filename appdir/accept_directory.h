// The one route from a directory text to an accepted application directory,
// taken by the dialog's OK and by the silent run alike: the OK decision, the record
// for an accepted directory, and a log line for each step, in the same order for
// both runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "appdir/appdir_check.h"
#include "common/run_lock.h"
#include "log/install_log.h"

namespace tw {

enum class DirectorySource {
    proposed,     // "C:\Varnelquist": no /D= given
    commandLine,  // /D=
    dialog,       // confirmed in the dialog
};

// What the route takes from the platform.
struct DirectoryPlatform {
    std::string packageFolder;      // the current directory, where the driver files are
    const char* recordPath;         // where the configuration record goes, as the log names it
    EntryLookup lookup;             // the file search of the OK decision
    FullPathFunction fullPath;      // the directory made whole against the current directory
    FolderIdentityLookup identity;  // what a folder is, whatever its spelling
    RunLock* runLock = nullptr;     // the machine's run lock (none: not taken)
    // Called with the run lock held, just before the record is written: the run
    // first recovers from a run killed during its commit, then keeps what the
    // record held, to give it back when the installation is undone.
    std::function<void(InstallLog&)> beforeRecord = nullptr;
};

// Writes the configuration record for an accepted directory's full path; a
// record that cannot be written leaves as CFileException.
using RecordWriter = std::function<void(const std::string& fullPath)>;

// Logs directoryText and where it came from, then decides OK for it. A refused
// directory is logged with its reason. An accepted one is logged as the engine
// gets it (with one trailing separator), then its record is written through
// writeRecord and logged; a record that cannot be written is logged and its
// CFileException passes on to the caller, with the run lock let go. Before the
// record the run lock is taken:
// when another run holds it, that is logged and the verdict is runBusy, with
// nothing written; a lock that cannot be taken at all is logged and leaves as
// CFileException, as the record's failure does. Returns the decision.
AppDirCheck AcceptDirectory(std::string_view directoryText, DirectorySource source,
                            const DirectoryPlatform& platform, const RecordWriter& writeRecord,
                            InstallLog& log);

}  // namespace tw
