#include "install/install_summary.h"

bool Registration::Succeeded() const {
    return (outcome == RegistrationOutcome::exited && exitCode == 0) ||
           outcome == RegistrationOutcome::atRestart;
}

int InstallSummary::FailureCount() const { return static_cast<int>(failedFiles.size()); }

// Every file entry, and every folder that could not be listed, ends either in a
// copy or in failedFiles, so nothing was found exactly when neither happened.
bool InstallSummary::NothingFound() const { return filesCopied == 0 && failedFiles.empty(); }
