#include "appdir/accept_directory.h"

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
    try {
        writeRecord(check.fullPath);
    } catch (const CFileException& error) {
        log.RecordNotWritten(platform.recordPath, error);
        throw;
    }
    log.RecordWritten(platform.recordPath);
    return check;
}

}  // namespace tw
