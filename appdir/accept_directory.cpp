#include "appdir/accept_directory.h"

#include <string>

#include "common/path_rules.h"
#include "framework/FileException.h"

namespace tw {

namespace {

static_assert(kAppDirMaxBytes == 256);
const char* RefusalReason(AppDirVerdict verdict) {
    switch (verdict) {
        case AppDirVerdict::tooLong:
            return "longer than 256 bytes";
        case AppDirVerdict::packageFolder:
            return "the folder of the driver files";
        case AppDirVerdict::link:
            return "a junction, symbolic link or other reparse point";
        default:
            return "not an existing folder";
    }
}

}  // namespace

AppDirCheck AcceptDirectory(std::string_view directoryText, DirectorySource source,
                            const DirectoryPlatform& platform, const RecordWriter& writeRecord,
                            InstallLog& log) {
    log.DirectoryChosen(directoryText, source);
    AppDirCheck check = CheckAppDir(directoryText, platform.lookup, platform.fullPath,
                                    platform.identity, platform.packageFolder);
    if (!check.Accepted()) {
        log.DirectoryRefused(RefusalReason(check.verdict));
        return check;
    }
    log.DirectoryAccepted(WithTrailingSeparator(check.fullPath));
    if (platform.runLock) {
        const RunLockTaking taking = platform.runLock->Take();
        if (taking != RunLockTaking::taken) log.RunLockNotTaken(*platform.runLock, taking);
        if (taking == RunLockTaking::busy) {
            check.verdict = AppDirVerdict::runBusy;
            return check;
        }
        if (taking == RunLockTaking::failed)
            CFileException::ThrowOsError(platform.runLock->Error(),
                                         platform.runLock->Path().c_str());
    }
    try {
        writeRecord(check.fullPath);
    } catch (const CFileException& error) {
        log.RecordNotWritten(platform.recordPath, error);
        // The dialog stays open: nobody waits for it while the user looks.
        if (platform.runLock) platform.runLock->Release();
        throw;
    }
    log.RecordWritten(platform.recordPath);
    return check;
}

}  // namespace tw
