// The message that ends a confirmed run. It follows what the installation did, so
// that a run that failed is never reported as complete.
#pragma once

#include <string>

namespace tw {

// MessageBoxA styles, with Win32's values on every build.
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxIconExclamation = 0x30;

struct CompletionMessage {
    std::string text;  // code page 936
    const char* caption;
    unsigned style;
};

// All well: the congratulation. Failed copies, skipped entries or failed
// registration starts: how many, as an error. Nothing in either source folder:
// an error that says so.
CompletionMessage ChooseCompletionMessage(bool nothingFound, int failureCount);

}  // namespace tw
