// What a run shows or asks: the directory dialog, a question, a message, the
// progress window and the report of an exception that stopped the installation.
// Win32's windows in the program (PlatformRunWindows), a fake in tests.
#pragma once

#include <memory>
#include <string>

#include "app/completion_message.h"
#include "appdir/accept_directory.h"
#include "install/progress_observer.h"
#include "log/install_log.h"

namespace tw {

// How the dialog ended; after confirmed, the accepted directory's full path.
struct DialogResult {
    enum End { confirmed, cancelled, notShown } end;
    std::string fullPath;
};

class RunWindows {
public:
    virtual ~RunWindows() = default;
    // The dialog, showing preset; each 确定 takes AcceptDirectory with platform and log.
    virtual DialogResult AskDirectory(const std::string& preset, const DirectoryPlatform& platform,
                                      InstallLog& log) = 0;
    // True for Yes.
    virtual bool Ask(const CompletionMessage& question) = 0;
    virtual void Show(const CompletionMessage& message) = 0;
    // What shows the work while it goes on, under caption (code page 936; null: the
    // installation's); let go before any message.
    virtual std::unique_ptr<ProgressObserver> ShowProgress(const char* caption) = 0;
    // Call only inside a catch block: the exception that stopped the installation.
    virtual void ReportStop() = 0;
};

}  // namespace tw

// Win32's windows (Win32 only).
tw::RunWindows& PlatformRunWindows();
