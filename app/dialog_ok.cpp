#include "app/dialog_ok.h"

#include "config/config_writer.h"

namespace tw {

AppDirCheck AcceptFromDialog(std::string_view text, const DirectoryPlatform& platform,
                             InstallLog& log, DialogRecord* dialog) {
    return AcceptDirectory(
        text, DirectorySource::dialog, platform,
        [&](const std::string& fullPath) {
            if (dialog)
                dialog->RecordFullPath(fullPath);
            else
                WriteConfigRecord(platform.recordPath, fullPath);
        },
        log);
}

}  // namespace tw
