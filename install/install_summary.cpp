#include "install/install_summary.h"

int InstallSummary::FailureCount() const {
    return static_cast<int>(failedFiles.size()) + registrationsFailed;
}

// Every file entry ends either in a copy or in failedFiles, so nothing was found
// exactly when neither happened.
bool InstallSummary::NothingFound() const { return filesCopied == 0 && failedFiles.empty(); }
