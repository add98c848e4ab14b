// What one installation did, for the run's final message.
#pragma once

#include <string>
#include <vector>

struct InstallSummary {
    int filesCopied = 0;                   // successful copies (each copy counts)
    std::vector<std::string> failedFiles;  // destination paths of failed copies and names of
                                           // entries skipped because a path did not fit
    int registrationsStarted = 0;
    int registrationsFailed = 0;  // tool starts that failed

    int FailureCount() const;  // failedFiles.size() + registrationsFailed
    // True when neither source folder held a single file entry.
    bool NothingFound() const;
};
