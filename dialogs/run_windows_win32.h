// The windows of a run on Win32: the application-directory dialog, message boxes
// with the program's texts, the progress window and the framework's report.
#pragma once

#include <memory>
#include <string>

#include "app/run_system.h"

class Win32RunWindows : public tw::RunWindows {
public:
    tw::DialogResult AskDirectory(const std::string& preset, const tw::DirectoryPlatform& platform,
                                  tw::InstallLog& log) override;
    // Yes or No; the wait cursor comes back after the answer.
    bool Ask(const tw::CompletionMessage& question) override;
    void Show(const tw::CompletionMessage& message) override;
    // Nothing is shown before the work has gone on for a second.
    std::unique_ptr<tw::ProgressObserver> ShowProgress(const char* caption) override;
    void ReportStop() override;
};
