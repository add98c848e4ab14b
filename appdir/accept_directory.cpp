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

void LogChoice(InstallLog& log, std::string_view directoryText, DirectorySource source) {
    switch (source) {
        case DirectorySource::proposed:
            return log.Write<LogEvent::directoryProposed>(directoryText);
        case DirectorySource::commandLine:
            return log.Write<LogEvent::directoryFromCommandLine>(directoryText);
        case DirectorySource::dialog:
            return log.Write<LogEvent::directoryConfirmed>(directoryText);
    }
}

}  // namespace

AppDirCheck AcceptDirectory(std::string_view directoryText, DirectorySource source,
                            const DirectoryPlatform& platform, const RecordWriter& writeRecord,
                            InstallLog& log) {
    LogChoice(log, directoryText, source);
    AppDirCheck check = CheckAppDir(directoryText, platform.lookup, platform.fullPath,
                                    platform.identity, platform.packageFolder);
    if (!check.Accepted()) {
        log.Write<LogEvent::directoryRefused>(RefusalReason(check.verdict));
        return check;
    }
    log.Write<LogEvent::directoryAccepted>(WithTrailingSeparator(check.fullPath));
    if (RunLock* lock = platform.runLock) {
        const RunLockTaking taking = lock->Take();
        if (taking == RunLockTaking::busy) {
            log.Write<LogEvent::runBusy>();
            check.verdict = AppDirVerdict::runBusy;
            return check;
        }
        if (taking == RunLockTaking::failed) {
            log.Write<LogEvent::runLockNotTaken>(lock->Path(), lock->Error());
            CFileException::ThrowOsError(lock->Error(), lock->Path().c_str());
        }
    }
    if (platform.beforeRecord) platform.beforeRecord(log);
    try {
        writeRecord(check.fullPath);
    } catch (const CFileException& error) {
        const FileErrorText text(error);
        log.Write<LogEvent::recordNotWritten>(platform.recordPath, text.before, text.name,
                                              text.after, error.m_lOsError);
        // The dialog stays open: nobody waits for it while the user looks.
        if (platform.runLock) platform.runLock->Release();
        throw;
    }
    log.Write<LogEvent::recordWritten>(platform.recordPath);
    return check;
}

}  // namespace tw
