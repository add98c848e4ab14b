// The message that ends a confirmed run. It follows what the installation did, so
// that a run that failed is never reported as complete.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

// MessageBoxA styles, with Win32's values on every build.
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxIconExclamation = 0x30;

// At most this many failed files are named; "……" stands for the rest.
constexpr std::size_t kNamedFailures = 10;

struct CompletionMessage {
    std::string text;  // code page 936
    const char* caption;
    unsigned style;
};

// "\n" and then the names one a line, the first kNamedFailures of them, "……"
// standing for the rest: how the final messages name files.
std::string NamedFiles(const std::vector<std::string>& names);

// All well: the congratulation. Files not installed: how many, then, after an
// empty line, their names one a line, as an error. Nothing in either source
// folder: an error that says so.
CompletionMessage ChooseCompletionMessage(bool nothingFound,
                                          const std::vector<std::string>& failedFiles);

}  // namespace tw
