#include "app/dialog_ok.h"

#include "config/config_writer.h"

namespace tw {

AppDirCheck AcceptFromDialog(
    std::string_view text, const DirectoryPlatform& platform, InstallLog& log,
    const std::function<void(const std::string& fullPath)>& writeProductConfig) {
    return AcceptDirectory(
        text, DirectorySource::dialog, platform,
        [&](const std::string& fullPath) {
            if (writeProductConfig)
                writeProductConfig(fullPath);
            else
                WriteConfigRecord(platform.recordPath, fullPath);
        },
        log);
}

}  // namespace tw
