// The step the application-directory dialog's 确定 takes once its data exchange
// holds the text, apart from the window: the dialog and the host's stand-in for it
// take this one.
#pragma once

#include <string>
#include <string_view>

#include "appdir/accept_directory.h"
#include "log/install_log.h"

namespace tw {

// The dialog's own step for an accepted directory: it keeps the full path and
// writes the record of it.
class DialogRecord {
public:
    virtual ~DialogRecord() = default;
    virtual void RecordFullPath(const std::string& fullPath) = 0;
};

// Takes text through the directory's route as the dialog's. For an accepted
// directory, dialog's step is given its full path; without a dialog, as on the
// host, the record of the full path is written at platform.recordPath. A record
// that cannot be written leaves as CFileException: the framework's guard reports
// it and the dialog stays open.
AppDirCheck AcceptFromDialog(std::string_view text, const DirectoryPlatform& platform,
                             InstallLog& log, DialogRecord* dialog);

}  // namespace tw
